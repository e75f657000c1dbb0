// vrq-screenshots FOLDER: saves pictures of the windows, opened over a store of sample calls in a
// temporary program folder, into FOLDER (scripts/screenshot.sh runs it under Xvfb for docs/). The clock
// stands at 03/08/2010 09:00 so that the pictures come out the same each time.
#include "context/StatusUpdates.h"
#include "platform/SettingsBackend.h"
#include "shell/Application.h"
#include "store/AuditLog.h"
#include "store/Store.h"
#include "support/TestDoubles.h"
#include "ui/StatusSummary.h"
#include "ui/config/AboutBox.h"
#include "ui/config/FolderBrowser.h"
#include "ui/config/PropertiesDialog.h"
#include "ui/viewers/CallDetailsWindow.h"
#include "ui/viewers/CallsWindow.h"
#include "ui/viewers/HeaderPictures.h"
#include "ui/viewers/ListCallsDialog.h"
#include "ui/viewers/OrderDetailsWindow.h"
#include "ui/viewers/OrdersViewWindow.h"
#include "ui/viewers/SelectedCall.h"

#include <QApplication>
#include <QDateEdit>
#include <QDeadlineTimer>
#include <QDir>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWindow>

#include <memory>

using namespace Qt::StringLiterals;

namespace vrq {
namespace {

[[noreturn]] void die(const QString& message) {
    QTextStream(stderr) << "vrq-screenshots: " << message << Qt::endl;
    std::exit(1);
}

// A program folder of its own in a temporary directory, started up as the program starts (drive I: on its
// host folder, the clock standing still), holding the calls the pictures show.
class SampleProgram {
public:
    SampleProgram() {
        const QDir root(m_dir.path());
        root.mkpath(u"host/QX7Com"_s);
        ApplicationSeams seams;
        seams.clock = &m_clock;
        seams.programFolder = root.filePath(u"program"_s);
        seams.settingsBackend = SettingsBackend::openIniFile(root.filePath(u"VRQToQX7.ini"_s));
        seams.settingsBackend->setValue(u"QX7"_s, u"QX7Name"_s, u"HOST"_s);
        seams.settingsBackend->setValue(u"Drives"_s, u"I"_s, root.filePath(u"host"_s));
        check(seams.settingsBackend->sync());
        m_app = std::make_unique<Application>(u'F', m_ui, std::move(seams));
        check(m_app->startUp());
    }

    AppContext& ctx() { return m_app->context(); }
    QString hostFolder() const { return QDir(m_dir.path()).filePath(u"host/QX7Com"_s); }

    // One complete call; a sent one went to QX740001.Rcv on 03/08/2010 09:30.
    void addCall(int source, int number, bool good, bool sent, const QDateTime& when) {
        check(store().calls().insertCall(CallRow{
            .source = source, .callNumber = number, .callDnt = when, .goodCall = good, .complete = true}));
        if (sent)
            check(store().calls().markExtracted(source, number, u"QX740001.Rcv  "_s,
                                                QDateTime(QDate(2010, 3, 8), QTime(9, 30))));
    }
    // The call's next order, as the intake stores it; its sequence number.
    int addOrder(int source, int number, const QString& salesperson, const QString& customer,
                 const QString& message = u"MSG"_s, int items = 0) {
        int seq = 0;
        check(store().calls().raiseNumberOfOrders(source, number, &seq));
        check(store().calls().insertOrder(
            OrderRow{source, number, seq, salesperson, customer, u"01"_s, u"R7"_s, message, items, {}}));
        return seq;
    }
    void addItem(int number, int seq, int itemSeq, const QString& itemNumber, int quantity, int price) {
        check(store().calls().insertItem(
            ItemRow{0, number, seq, itemSeq, itemNumber, quantity, 2, 5, price, {}}));
    }

private:
    static void check(const Result& result) {
        if (!result.ok())
            die(result.message);
    }
    Store& store() { return *m_app->context().store; }

    QTemporaryDir m_dir;
    ManualClock m_clock{QDateTime(QDate(2010, 3, 8), QTime(9, 0))};
    SilentUserInterface m_ui;
    std::unique_ptr<Application> m_app;
};

// Shows the window until it is painted, saves its picture as folder/file, and hides it.
void saveShot(QWidget& window, const QDir& folder, const QString& file) {
    window.move(40, 40);
    window.show();
    QDeadlineTimer deadline(10000);
    while (!(window.windowHandle() && window.windowHandle()->isExposed())) {
        if (deadline.hasExpired())
            die(u"the window for %1 was never shown"_s.arg(file));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    for (QDeadlineTimer settle(200); !settle.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (!window.grab().save(folder.filePath(file)))
        die(u"cannot save %1"_s.arg(folder.filePath(file)));
    QTextStream(stdout) << "saved " << folder.filePath(file) << Qt::endl;
    window.hide();
}

// Twenty-four calls of one day, every seventh bad, the first sixteen good ones sent.
void callsWindow(const QDir& out) {
    SampleProgram program;
    const QDateTime start(QDate(2010, 3, 7), QTime(8, 15));
    for (int n = 1; n <= 24; ++n) {
        const bool good = n % 7 != 3;
        program.addCall(n % 5 == 4 ? 1 : 0, 1000 + n, good, good && n <= 16, start.addSecs(n * 1260));
    }
    CallsWindow window(program.ctx());
    RunStatus status;
    status.hostFolder = u"I:\\QX7Com\\"_s;
    status.lastIntake = start.addSecs(24 * 1260);
    status.lastExport = start.addSecs(16 * 1260 + 60);
    window.showStatus(
        StatusSummary(status, DayCallCounts{21, 3}, QDateTime(QDate(2010, 3, 7), QTime(17, 0))));
    saveShot(window, out, u"calls-window.png"_s);

    // The same while the database server of a PostgreSQL store is away, as the run status says it.
    runstatus::storeAway(program.ctx(), u"the database server cannot be reached (Database connection failed: "
                                        "connection to server at \"db1\" (10.0.4.7), port 5432 failed: "
                                        "Connection refused)"_s);
    status.storeError = program.ctx().status.storeError;
    window.showStatus(
        StatusSummary(status, DayCallCounts{21, 3}, QDateTime(QDate(2010, 3, 7), QTime(17, 0))));
    saveShot(window, out, u"calls-window-store-away.png"_s);
}

// A sent call of five orders of six line items each, and its first order.
void detailsWindows(const QDir& out) {
    SampleProgram program;
    program.addCall(0, 1017, true, true, QDateTime(QDate(2010, 3, 7), QTime(14, 5)));
    const char* messages[] = {"Deliver before noon", "", "Call ahead", "New account", "Rush order"};
    for (int n = 1; n <= 5; ++n) {
        const int seq =
            program.addOrder(0, 1017, u"4%1"_s.arg(n * 7, 5, 10, QLatin1Char('0')),
                             QString::number(183200 + n * 311), QLatin1String(messages[n - 1]), 6);
        for (int item = 1; item <= 6; ++item)
            program.addItem(1017, seq, item, QString::number(31000 + item * 173 + seq), item * 2,
                            item % 3 == 0 ? 1295 : 0);
    }
    const HeaderPictures pictures;
    SelectedCall selected;
    selected.selectedCallNumber = 1017;
    CallDetailsWindow details(program.ctx(), selected, pictures);
    saveShot(details, out, u"call-details-window.png"_s);

    Store& store = *program.ctx().store;
    OrderDetailsWindow order(*store.calls().findCall(0, 1017), store.calls().ordersOfCall(0, 1017).front(),
                             store.calls().itemsOfOrder(0, 1017, 1), pictures);
    saveShot(order, out, u"order-details-window.png"_s);
}

// Six calls of 03/08/2010 with one to three orders each, in the three order views and the list of calls.
void reportWindows(const QDir& out) {
    SampleProgram program;
    const QDateTime start(QDate(2010, 3, 8), QTime(8, 15));
    for (int n = 1; n <= 6; ++n) {
        const int source = n % 4 == 3 ? 1 : 0;
        program.addCall(source, 1000 + n, true, n <= 3, start.addSecs(n * 1260));
        for (int o = 0; o < (n % 3) + 1; ++o)
            program.addOrder(source, 1000 + n, n % 2 ? u"112"_s : u"407"_s,
                             QString::number(20300 + n * 11 + o));
    }
    const HeaderPictures pictures;
    SelectedCall selected;
    struct View {
        OrderViewKind kind;
        QString typed;
        QString file;
    };
    for (const View& v : {View{OrderViewKind::BySalesperson, u"112"_s, u"orders-by-salesperson.png"_s},
                          View{OrderViewKind::ByCustomer, u"20333"_s, u"orders-by-customer.png"_s},
                          View{OrderViewKind::ByDate, {}, u"orders-by-date.png"_s}}) {
        OrdersViewWindow window(v.kind, program.ctx(), pictures, selected);
        if (window.textInput())
            window.textInput()->setText(v.typed);
        else
            window.dateInput()->setDate(QDate(2010, 3, 8));
        window.findOrders();
        saveShot(window, out, v.file);
    }
    ListCallsDialog dialog(program.ctx());
    saveShot(dialog, out, u"list-calls-dialog.png"_s);
}

// The settings of an installation that also takes scanned files, with three folders in the host folder.
void configWindows(const QDir& out) {
    SampleProgram program;
    for (const char* folder : {"Archive", "Out", "Returns"})
        QDir(program.hostFolder()).mkpath(QString::fromLatin1(folder));
    for (int n = 1; n <= 5; ++n)
        program.addCall(0, 100 + n, true, false, QDateTime(QDate(2010, 3, 7), QTime(14, 5)));
    program.ctx().audit->write(AuditType::GoodCall, u"Good call"_s);
    program.ctx().settings.enableFiles = true;
    program.ctx().settings.scannedFolder = u"C:\\WBZ"_s;
    program.ctx().settings.dataBinPath = u"C:\\ZIR32\\DCS\\"_s;

    PropertiesDialog properties(program.ctx(), {});
    saveShot(properties, out, u"properties-dialog.png"_s);
    // The Store tab of a desk that is to move to a database server.
    program.ctx().settings.storeBackend = StoreBackend::PostgreSQL;
    program.ctx().settings.storeConnection = u"host=db1 dbname=vrq user=desk2"_s;
    program.ctx().settings.workstation = 2;
    PropertiesDialog storeTab(program.ctx(), {});
    storeTab.findChild<QTabWidget*>(u"tabProperties"_s)->setCurrentIndex(1);
    saveShot(storeTab, out, u"properties-store-tab.png"_s);
    FolderBrowser browser(FolderBrowser::Kind::QX7Directory, u"I:\\QX7Com\\"_s, program.ctx());
    saveShot(browser, out, u"folder-browser.png"_s);
    AboutBox about(program.ctx());
    saveShot(about, out, u"about-box.png"_s);
}

} // namespace
} // namespace vrq

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        QTextStream(stderr) << "usage: vrq-screenshots FOLDER" << Qt::endl;
        return 2;
    }
    const QDir out(arguments[1]);
    if (!out.mkpath(u"."_s))
        vrq::die(u"cannot make the folder %1"_s.arg(out.path()));
    vrq::callsWindow(out);
    vrq::detailsWindows(out);
    vrq::reportWindows(out);
    vrq::configWindows(out);
    return 0;
}
