// Runs on request only (disabled by default): the screenshot of the calls window and the large-store
// measurement. scripts/screenshot.sh runs the first under Xvfb.
#include "ViewerTestSupport.h"

#include "ui/viewers/CallsWindow.h"

#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

namespace vrq::test {
namespace {

class CallsWindowTools : public StoreFixture {};

// The resident set size of this process in MB, from /proc (0 where it is not available).
double residentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

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

TEST_F(CallsWindowTools, DISABLED_HundredThousandCalls) {
    constexpr int kCalls = 100000;
    ASSERT_TRUE(m_store->begin().ok());
    const QDateTime start(QDate(2010, 1, 1), QTime(0, 0));
    for (int n = 1; n <= kCalls; ++n) {
        CallRow row;
        row.source = n % 10 == 0 ? 1 : 0;
        row.callNumber = n;
        row.callDnt = start.addSecs(n * 37);
        row.goodCall = n % 13 != 0;
        row.extractedCall = row.goodCall && n % 3 != 0;
        row.complete = true;
        ASSERT_TRUE(m_store->insertCall(row).ok());
    }
    ASSERT_TRUE(m_store->commit().ok());
    const double before = residentMegabytes();

    QElapsedTimer timer;
    timer.start();
    m_store->resetDisplayed();
    const qint64 resetMs = timer.elapsed();
    timer.restart();
    const std::size_t taken = m_store->takeUndisplayedCompleteCalls().size();
    const qint64 takeMs = timer.elapsed();
    EXPECT_EQ(taken, static_cast<std::size_t>(kCalls));
    std::printf("store: reset %lld ms, take %lld ms\n", static_cast<long long>(resetMs),
                static_cast<long long>(takeMs));

    timer.restart();
    CallsWindow w(m_ctx);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents();
    const qint64 openMs = timer.elapsed();
    EXPECT_EQ(w.RowCount(), kCalls);

    timer.restart();
    QScrollBar* bar = w.callsGrid()->verticalScrollBar();
    for (int step = 0; step < 200; ++step) {
        bar->setValue(step * (kCalls / 200));
        w.callsGrid()->viewport()->repaint();
    }
    const qint64 scrollMs = timer.elapsed();

    timer.restart();
    w.UpdateCallDisplay(kCalls / 2, 0);
    w.UpdateCallDisplay(kCalls - 1, 1);
    const qint64 updateMs = timer.elapsed();

    std::printf(
        "open %lld ms, 200 scrolled repaints %lld ms, two updates %lld ms, RSS %.1f MB (%.1f before)\n",
        static_cast<long long>(openMs), static_cast<long long>(scrollMs), static_cast<long long>(updateMs),
        residentMegabytes(), before);
}

} // namespace
} // namespace vrq::test
