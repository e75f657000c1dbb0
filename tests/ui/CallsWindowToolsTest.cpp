// Runs on request only (disabled by default): the screenshot of the calls window, which
// scripts/screenshot.sh runs under Xvfb. The large-store measurement is in bench/ (vrq_bench_window).
#include "ViewerTestSupport.h"

#include "ui/viewers/CallsWindow.h"

#include <QTest>

namespace vrq::test {
namespace {

class CallsWindowTools : public StoreFixture {};

TEST_F(CallsWindowTools, DISABLED_SaveScreenshot) {
    const QString path = qEnvironmentVariable("VRQ_SCREENSHOT", QStringLiteral("calls-window.png"));
    const QDateTime start(QDate(2010, 3, 7), QTime(8, 15));
    for (int n = 1; n <= 24; ++n) {
        const bool good = n % 7 != 3;
        addCall(n % 5 == 4 ? 1 : 0, 1000 + n, good, good && n <= 16, true, start.addSecs(n * 1260));
    }
    CallsWindow w(m_ctx);
    w.move(40, 40);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(200);
    ASSERT_TRUE(w.grab().save(path)) << path.toStdString();
    std::printf("saved %s\n", qPrintable(path));
}

} // namespace
} // namespace vrq::test
