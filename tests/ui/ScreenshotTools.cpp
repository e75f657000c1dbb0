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

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

QString shotPath(const QString& file) {
    return QDir(qEnvironmentVariable("VRQ_SCREENSHOT_DIR", u"."_s)).filePath(file);
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
    status.hostFolder = u"I:\\QX7Com\\"_s;
    status.lastIntake = start.addSecs(24 * 1260);
    status.lastExport = start.addSecs(16 * 1260 + 60);
    w.showStatus(StatusSummary(status, DayCallCounts{21, 3}, QDateTime(QDate(2010, 3, 7), QTime(17, 0))));
    saveShot(w, u"calls-window.png"_s);
}

class DetailsWindowsTools : public WindowTest {};

TEST_F(DetailsWindowsTools, DISABLED_SaveScreenshots) {
    addCall(0, 1017, true, true);
    const char* messages[] = {"Deliver before noon", "", "Call ahead", "New account", "Rush order"};
    for (int seq = 1; seq <= 5; ++seq) {
        addOrder(0, 1017, u"4%1"_s.arg(seq * 7, 5, 10, QLatin1Char('0')), u"%1"_s.arg(183200 + seq * 311),
                 QLatin1String(messages[seq - 1]), 6);
        for (int item = 1; item <= 6; ++item)
            addItem(0, 1017, seq, item, u"%1"_s.arg(31000 + item * 173 + seq), item * 2,
                    item % 3 == 0 ? 1295 : 0);
    }
    select(0, 1017);
    CallDetailsWindow details(fx.ctx, selected, pictures);
    saveShot(details, u"call-details-window.png"_s);
    details.show();
    selected.SelectedOrderSeqNumber = 1;
    auto closer = closeNextModalWindow(u"frmOrderDetails"_s, [&](QWidget* order) {
        EXPECT_TRUE(order->grab().save(shotPath(u"order-details-window.png"_s)));
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
            addOrder(source, 1000 + n, n % 2 ? u"112"_s : u"407"_s, QString::number(20300 + n * 11 + o));
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
    saveShot(dialog, u"list-calls-dialog.png"_s);
}

class ConfigWindowsTools : public WindowTest {};

TEST_F(ConfigWindowsTools, DISABLED_SaveScreenshots) {
    for (const char* folder : {"Archive", "Out", "Returns"})
        QDir(fx.hostFolder()).mkpath(QString::fromLatin1(folder));
    for (int n = 1; n <= 5; ++n)
        addCall(0, 100 + n);
    fx.audit->write(AuditType::GoodCall, u"Good call"_s);
    fx.ctx.settings.EnableFiles = true;
    fx.ctx.settings.ScannedFolder = u"C:\\WBZ"_s;
    fx.ctx.settings.DataBinPath = u"C:\\ZIR32\\DCS\\"_s;

    PropertiesDialog properties(fx.ctx, {});
    saveShot(properties, u"properties-dialog.png"_s);
    FolderBrowser browser(FolderBrowser::Kind::QX7Directory, u"I:\\QX7Com\\"_s, fx.ctx);
    saveShot(browser, u"folder-browser.png"_s);
    AboutBox about(fx.ctx);
    saveShot(about, u"about-box.png"_s);
}

} // namespace
} // namespace vrq::test
