// Runs on request only (disabled by default): the screenshots of the call details and order details
// windows, which scripts/screenshot.sh runs under Xvfb.
#include "DetailsWindowSupport.h"

#include "ui/viewers/CallDetailsWindow.h"
#include "ui/viewers/OrderDetailsWindow.h"

namespace vrq::test {
namespace {

class DetailsWindowsTools : public DetailsWindowTest {};

bool saveGrab(QWidget& window, const QString& path) {
    window.move(40, 40);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    QTest::qWait(200);
    const bool saved = window.grab().save(path);
    std::printf("saved %s\n", qPrintable(path));
    return saved;
}

TEST_F(DetailsWindowsTools, DISABLED_SaveScreenshots) {
    const QDir folder(qEnvironmentVariable("VRQ_SCREENSHOT_DIR", QStringLiteral(".")));
    addCall(0, 1017, 5, true, true);
    const char* messages[] = {"Deliver before noon", "", "Call ahead", "New account", "Rush order"};
    for (int seq = 1; seq <= 5; ++seq) {
        addOrder(0, 1017, seq, QStringLiteral("4%1").arg(seq * 7, 5, 10, QLatin1Char('0')),
                 QStringLiteral("%1").arg(183200 + seq * 311), QLatin1String(messages[seq - 1]), 6);
        for (int item = 1; item <= 6; ++item)
            addItem(0, 1017, seq, item, QStringLiteral("%1").arg(31000 + item * 173 + seq), item * 2,
                    item % 3 == 0 ? 1295 : 0);
    }
    select(0, 1017);
    CallDetailsWindow details(fx.ctx, selected, pictures);
    ASSERT_TRUE(saveGrab(details, folder.filePath(QStringLiteral("call-details-window.png"))));

    selected.SelectedOrderSeqNumber = 1;
    auto closer = closeNextModalWindow(QStringLiteral("frmOrderDetails"), [&](QWidget* order) {
        EXPECT_TRUE(order->grab().save(folder.filePath(QStringLiteral("order-details-window.png"))));
        std::printf("saved %s\n", qPrintable(folder.filePath(QStringLiteral("order-details-window.png"))));
    });
    EXPECT_TRUE(OrderDetailsWindow::showModal(fx.ctx, selected, pictures, &details));
}

} // namespace
} // namespace vrq::test
