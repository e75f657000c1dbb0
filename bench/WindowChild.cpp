// vrq_bench_window: opens the calls window over a store and reports, on stdout, the time from the
// window's creation to its first full display ("open_ms=...") and from the start of the process
// ("start_ms=...", when vrq_bench_spawn started it), then the scrolling and row-update times. With --floor it
// shows the same rows in a bare table view instead, read with one query through SQLiteCpp directly (the floor
// only; the program reads through CallStore).
#include "context/AppContext.h"
#include "context/UserInterface.h"
#include "platform/Clock.h"
#include "store/AuditLog.h"
#include "store/Store.h"
#include "support/TestDoubles.h"
#include "ui/viewers/CallsWindow.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <QAbstractTableModel>
#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QTextStream>
#include <QWindow>

#include <array>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

using namespace vrq;

[[noreturn]] void die(const QString& message) {
    QTextStream(stderr) << message << Qt::endl;
    std::exit(1);
}

// Runs events until the widget's window is on the screen and painted.
void waitUntilShown(QWidget& widget) {
    QDeadlineTimer deadline(10000);
    while (!(widget.windowHandle() && widget.windowHandle()->isExposed())) {
        if (deadline.hasExpired())
            die(QStringLiteral("the window was never exposed"));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QCoreApplication::processEvents();
}

void report(const char* name, qint64 ms) {
    std::printf("%s=%lld\n", name, static_cast<long long>(ms));
    std::fflush(stdout);
}

// Milliseconds since vrq_bench_spawn started this process (monotonic clock); nothing without it.
void reportSinceStart() {
    bool known = false;
    const qint64 started = qEnvironmentVariable("VRQ_BENCH_STARTED_NS").toLongLong(&known);
    if (!known)
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const qint64 nowNs = static_cast<qint64>(now.tv_sec) * 1000000000LL + now.tv_nsec;
    report("start_ms", (nowNs - started) / 1000000);
}

int callsWindow(const QString& storePath, int calls) {
    Result error;
    std::unique_ptr<Store> store = openStoreFile(storePath, StoreAccess::ReadWrite, &error);
    if (!store)
        die(error.message);
    store->schema().dataConversions();
    SystemClock clock;
    AuditLog audit(store->audit(), clock, QLatin1Char('F'));
    SilentUserInterface ui;
    AppContext ctx;
    ctx.store = store.get();
    ctx.audit = &audit;
    ctx.clock = &clock;
    ctx.ui = &ui;
    ctx.programFolder = QFileInfo(storePath).absolutePath();

    QElapsedTimer timer;
    timer.start();
    CallsWindow w(ctx);
    w.show();
    waitUntilShown(w);
    report("open_ms", timer.elapsed());
    reportSinceStart();
    if (w.rowCount() != calls)
        die(QStringLiteral("the window shows %1 rows of %2").arg(w.rowCount()).arg(calls));

    timer.restart();
    QScrollBar* bar = w.callsGrid()->verticalScrollBar();
    for (int step = 0; step < 200; ++step) {
        bar->setValue(step * (calls / 200));
        w.callsGrid()->viewport()->repaint();
    }
    report("scroll_ms", timer.elapsed());

    timer.restart();
    w.updateCallDisplay(calls / 2, CallDisplay::Remove);
    w.updateCallDisplay(calls - 1, CallDisplay::Bad);
    report("update_ms", timer.elapsed());
    return 0;
}

// The same rows as plain text, with nothing but what a table view needs.
class PlainModel : public QAbstractTableModel {
public:
    explicit PlainModel(std::vector<std::array<QString, 4>> rows) : m_rows(std::move(rows)) {}
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 4; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        return m_rows[static_cast<std::size_t>(index.row())][static_cast<std::size_t>(index.column())];
    }

private:
    std::vector<std::array<QString, 4>> m_rows;
};

int floorWindow(const QString& storePath, int calls) {
    QElapsedTimer timer;
    timer.start();
    std::vector<std::array<QString, 4>> rows;
    {
        SQLite::Database db(storePath.toStdString(), SQLite::OPEN_READONLY);
        SQLite::Statement st(db, "SELECT Source, CallNumber, CallDNT, GoodCall, ExtractedCall FROM Calls "
                                 "WHERE Complete = 1 ORDER BY rowid");
        while (st.executeStep()) {
            const bool good = st.getColumn(3).getInt() != 0;
            const bool extracted = st.getColumn(4).getInt() != 0;
            rows.push_back({st.getColumn(0).getInt() == 0 ? QStringLiteral("Call") : QStringLiteral("File"),
                            QString::number(st.getColumn(1).getInt()),
                            QString::fromUtf8(st.getColumn(2).getText()),
                            !good ? QStringLiteral("Bad call")
                                  : (extracted ? QStringLiteral("Extracted") : QStringLiteral("Good Call"))});
        }
    }
    PlainModel model(std::move(rows));
    QTableView view;
    view.setModel(&model);
    view.verticalHeader()->hide();
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(16);
    view.horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.resize(400, 500);
    view.show();
    waitUntilShown(view);
    report("open_ms", timer.elapsed());
    reportSinceStart();
    if (model.rowCount() != calls)
        die(QStringLiteral("the floor shows %1 rows of %2").arg(model.rowCount()).arg(calls));
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
#ifdef Q_OS_UNIX
    // As the program's main does: without TZ the C library checks /etc/localtime for every local time.
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
#endif
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString store;
    int calls = 0;
    bool floor = false;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--store") && i + 1 < args.size())
            store = args[++i];
        else if (args[i] == QLatin1String("--calls") && i + 1 < args.size())
            calls = args[++i].toInt();
        else if (args[i] == QLatin1String("--floor"))
            floor = true;
        else
            die(QStringLiteral("usage: vrq_bench_window --store FILE --calls N [--floor]"));
    }
    if (store.isEmpty() || calls <= 0)
        die(QStringLiteral("usage: vrq_bench_window --store FILE --calls N [--floor]"));
    return floor ? floorWindow(store, calls) : callsWindow(store, calls);
}
