// The calls window over a large store, opened in a child process (vrq_bench_window) so that its peak
// memory is the window's alone; the floor is a bare table view over the same rows read with one query.
#include "Benches.h"

#include "store/Store.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <map>

namespace vrq::bench {

namespace {

// complete calls in the shape of a long-running installation: a tenth from files, one in thirteen
// bad, two in three of the good ones extracted.
void makeStore(const QString& path, int calls) {
    Result error;
    std::unique_ptr<Store> store = openStoreFile(path, StoreAccess::ReadWrite, &error);
    if (!store)
        fail(error.message);
    store->schema().dataConversions();
    if (!store->units().begin().ok())
        fail(QStringLiteral("window store: begin failed"));
    const QDateTime start(QDate(2010, 1, 1), QTime(0, 0));
    for (int n = 1; n <= calls; ++n) {
        CallRow row;
        row.source = n % 10 == 0 ? 1 : 0;
        row.callNumber = n;
        row.callDnt = start.addSecs(static_cast<qint64>(n) * 37);
        row.goodCall = n % 13 != 0;
        row.extractedCall = row.goodCall && n % 3 != 0;
        row.complete = true;
        if (!store->calls().insertCall(row).ok())
            fail(QStringLiteral("window store: insert failed"));
    }
    if (!store->units().commit().ok())
        fail(QStringLiteral("window store: commit failed"));
}

// "name=value" words of the child's report.
std::map<QString, double> readReport(const QByteArray& output) {
    std::map<QString, double> values;
    const QStringList words =
        QString::fromLocal8Bit(output).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    for (const QString& word : words) {
        const qsizetype eq = word.indexOf(QLatin1Char('='));
        if (eq > 0)
            values[word.left(eq)] = word.mid(eq + 1).toDouble();
    }
    return values;
}

struct WindowRun {
    double openSeconds = 0;
    double startSeconds = 0; // from the process's start
    double peakMegabytes = 0;
    std::map<QString, double> report;
};

WindowRun runWindow(const BenchOptions& options, const QString& store, bool floor) {
    QStringList arguments{QStringLiteral("--store"), store, QStringLiteral("--calls"),
                          QString::number(options.windowCalls)};
    if (floor)
        arguments.append(QStringLiteral("--floor"));
    const ChildRun run =
        runChild(options.windowBenchPath, arguments, {QStringLiteral("QT_QPA_PLATFORM=offscreen")});
    if (run.exitCode != 0)
        fail(QStringLiteral("vrq_bench_window exited with %1: %2")
                 .arg(run.exitCode)
                 .arg(QString::fromLocal8Bit(run.errors + run.output)));
    WindowRun w;
    w.report = readReport(run.output);
    w.openSeconds = w.report[QStringLiteral("open_ms")] / 1000.0;
    w.startSeconds = w.report[QStringLiteral("start_ms")] / 1000.0;
    w.peakMegabytes = run.peakMegabytes;
    return w;
}

} // namespace

void windowBench(const BenchOptions& options, std::vector<Figure>& figures) {
    if (options.windowBenchPath.isEmpty()) {
        QTextStream(stderr) << "calls window: not built (VRQ_WITH_UI=OFF)\n";
        return;
    }
    QTemporaryDir dir(QDir(options.workRoot).filePath(QStringLiteral("window-XXXXXX")));
    const QString store = QDir(dir.path()).filePath(QString::fromLatin1(kStoreFileName));
    makeStore(store, options.windowCalls);
    // A first opening, not counted: from then on every opening finds the calls marked displayed, as
    // after a restart of the program, and the store is in the page cache.
    runWindow(options, store, false);
    std::vector<double> open;
    std::vector<double> start;
    std::vector<double> floorStart;
    std::vector<double> peak;
    std::vector<double> floorOpen;
    std::vector<double> floorPeak;
    std::vector<double> scroll;
    std::vector<double> update;
    for (int rep = 0; rep < options.reps; ++rep) {
        const WindowRun w = runWindow(options, store, false);
        const WindowRun f = runWindow(options, store, true);
        open.push_back(w.openSeconds);
        start.push_back(w.startSeconds);
        floorStart.push_back(f.startSeconds);
        peak.push_back(w.peakMegabytes);
        scroll.push_back(w.report.at(QStringLiteral("scroll_ms")) / 1000.0);
        update.push_back(w.report.at(QStringLiteral("update_ms")) / 1000.0);
        floorOpen.push_back(f.openSeconds);
        floorPeak.push_back(f.peakMegabytes);
        QTextStream(stderr)
            << QStringLiteral("calls window %1 calls, run %2: open %3 (%4 from start), peak %5 MB; floor %6 "
                              "(%7), %8 MB\n")
                   .arg(options.windowCalls)
                   .arg(rep + 1)
                   .arg(seconds(w.openSeconds), seconds(w.startSeconds), fixed(w.peakMegabytes, 1),
                        seconds(f.openSeconds), seconds(f.startSeconds), fixed(f.peakMegabytes, 1));
    }
    const double o = median(open);
    const double fo = median(floorOpen);
    const double p = median(peak);
    const double fp = median(floorPeak);
    figures.push_back(
        {QStringLiteral("calls window %1 calls: creation to first full display").arg(options.windowCalls),
         seconds(o), seconds(fo), fixed(o / fo, 2), QStringLiteral("< 1 s"),
         o < 1.0 ? QStringLiteral("yes") : QStringLiteral("no")});
    const double s = median(start);
    const double fs = median(floorStart);
    figures.push_back({QStringLiteral("calls window %1 calls: process start to first full display")
                           .arg(options.windowCalls),
                       seconds(s), seconds(fs), fixed(s / fs, 2), QStringLiteral("< 0.5 s"),
                       s < 0.5 ? QStringLiteral("yes") : QStringLiteral("no")});
    figures.push_back({QStringLiteral("calls window %1 calls: process peak RSS").arg(options.windowCalls),
                       fixed(p, 1) + QStringLiteral(" MB"), fixed(fp, 1) + QStringLiteral(" MB"),
                       fixed(p / fp, 2), QStringLiteral("< 60 MB"),
                       p < 60.0 ? QStringLiteral("yes") : QStringLiteral("no")});
    figures.push_back(
        {QStringLiteral("calls window %1 calls: 200 scrolled repaints").arg(options.windowCalls),
         seconds(median(scroll)), QString(), QString(), QString(), QStringLiteral("-")});
    figures.push_back({QStringLiteral("calls window %1 calls: two row updates").arg(options.windowCalls),
                       seconds(median(update)), QString(), QString(), QString(), QStringLiteral("-")});
}

} // namespace vrq::bench
