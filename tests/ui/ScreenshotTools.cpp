// Runs on request only (disabled by default): pictures of the windows over a store of sample calls, saved
// into $VRQ_SCREENSHOT_DIR by scripts/screenshot.sh under Xvfb. The large-store measurement is in bench/.
#include "ViewerTestSupport.h"

#include "ui/StatusSummary.h"
#include "ui/config/AboutBox.h"
#include "ui/config/FolderBrowser.h"
#include "ui/config/PropertiesDialog.h"
#include "ui/viewers/CallDetailsWindow.h"
#include "ui/viewers/CallsWindow.h"
#include "ui/viewers/ListCallsDialog.h"
#include "ui/viewers/OrderDetailsWindow.h"
#include "ui/viewers/OrdersViewWindow.h"

#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <cstdio>

namespace vrq::test {
namespace {

QString shotPath(const QString& file) {
    return QDir(qEnvironmentVariable("VRQ_SCREENSHOT_DIR", QStringLiteral("."))).filePath(file);
}

void saveShot(QWidget& window, const QString& file) {
    window.move(40, 40);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(200);
    const QString path = shotPath(file);
    ASSERT_TRUE(window.grab().save(path)) << path.toStdString();
    std::printf("saved %s\n", qPrintable(path));
    window.hide();
}

class CallsWindowTools : public WindowTest {};

TEST_F(CallsWindowTools, DISABLED_SaveScreenshot) {
    const QDateTime start(QDate(2010, 3, 7), QTime(8, 15));
    for (int n = 1; n <= 24; ++n) {
        const bool good = n % 7 != 3;
        addCall(n % 5 == 4 ? 1 : 0, 1000 + n, good, good && n <= 16, true, start.addSecs(n * 1260));
    }
    CallsWindow w(fx.ctx);
    RunStatus status;
    status.hostFolder = QStringLiteral("I:\\QX7Com\\");
    status.lastIntake = start.addSecs(24 * 1260);
    status.lastExport = start.addSecs(16 * 1260 + 60);
    DayCallCounts today;
    today.good = 21;
    today.bad = 3;
    w.showStatus(StatusSummary(status, today, QDateTime(QDate(2010, 3, 7), QTime(17, 0))));
    saveShot(w, QStringLiteral("calls-window.png"));
}

class DetailsWindowsTools : public WindowTest {};

TEST_F(DetailsWindowsTools, DISABLED_SaveScreenshots) {
    addCall(0, 1017, true, true);
    const char* messages[] = {"Deliver before noon", "", "Call ahead", "New account", "Rush order"};
    for (int seq = 1; seq <= 5; ++seq) {
        addOrder(0, 1017, QStringLiteral("4%1").arg(seq * 7, 5, 10, QLatin1Char('0')),
                 QStringLiteral("%1").arg(183200 + seq * 311), QLatin1String(messages[seq - 1]), 6);
        for (int item = 1; item <= 6; ++item)
            addItem(0, 1017, seq, item, QStringLiteral("%1").arg(31000 + item * 173 + seq), item * 2,
                    item % 3 == 0 ? 1295 : 0);
    }
    select(0, 1017);
    CallDetailsWindow details(fx.ctx, selected, pictures);
    saveShot(details, QStringLiteral("call-details-window.png"));
    details.show();
    selected.SelectedOrderSeqNumber = 1;
    auto closer = closeNextModalWindow(QStringLiteral("frmOrderDetails"), [&](QWidget* order) {
        EXPECT_TRUE(order->grab().save(shotPath(QStringLiteral("order-details-window.png"))));
    });
    EXPECT_TRUE(OrderDetailsWindow::showModal(fx.ctx, selected, pictures, &details));
}

class ReportWindowsTools : public WindowTest {};

TEST_F(ReportWindowsTools, DISABLED_SaveScreenshots) {
    const QDateTime start(QDate(2010, 3, 8), QTime(8, 15));
    for (int n = 1; n <= 6; ++n) {
        const int source = n % 4 == 3 ? 1 : 0;
        addCall(source, 1000 + n, true, n <= 3, true, start.addSecs(n * 1260));
        for (int o = 0; o < (n % 3) + 1; ++o)
            addOrder(source, 1000 + n, n % 2 ? QStringLiteral("112") : QStringLiteral("407"),
                     QString::number(20300 + n * 11 + o));
    }
    struct View {
        OrderViewKind kind;
        const char* typed;
        const char* file;
    };
    for (const View& v : {View{OrderViewKind::BySalesperson, "112", "orders-by-salesperson.png"},
                          View{OrderViewKind::ByCustomer, "20333", "orders-by-customer.png"},
                          View{OrderViewKind::ByDate, "", "orders-by-date.png"}}) {
        OrdersViewWindow window(v.kind, fx.ctx, pictures, selected);
        if (window.textInput())
            window.textInput()->setText(QString::fromLatin1(v.typed));
        else
            window.dateInput()->setDate(QDate(2010, 3, 8));
        window.findOrders();
        saveShot(window, QString::fromLatin1(v.file));
    }
    ListCallsDialog dialog(fx.ctx);
    saveShot(dialog, QStringLiteral("list-calls-dialog.png"));
}

class ConfigWindowsTools : public WindowTest {};

TEST_F(ConfigWindowsTools, DISABLED_SaveScreenshots) {
    for (const char* folder : {"Archive", "Out", "Returns"})
        QDir(fx.hostFolder()).mkpath(QString::fromLatin1(folder));
    for (int n = 1; n <= 5; ++n)
        addCall(0, 100 + n);
    fx.audit->write(AuditType::GoodCall, QStringLiteral("Good call"));
    fx.ctx.settings.EnableFiles = true;
    fx.ctx.settings.ScannedFolder = QStringLiteral("C:\\WBZ");
    fx.ctx.settings.DataBinPath = QStringLiteral("C:\\ZIR32\\DCS\\");

    PropertiesDialog properties(fx.ctx, {});
    saveShot(properties, QStringLiteral("properties-dialog.png"));
    FolderBrowser browser(FolderBrowser::Kind::QX7Directory, QStringLiteral("I:\\QX7Com\\"), fx.ctx);
    saveShot(browser, QStringLiteral("folder-browser.png"));
    AboutBox about(fx.ctx);
    saveShot(about, QStringLiteral("about-box.png"));
}

} // namespace
} // namespace vrq::test
