// vrq_bench: measures the intake, the export, the calls window and the memory of a large intake, each
// against its floor, and prints a table of medians. See bench/RESULTS.md and scripts/bench.sh.
#include "Benches.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>

using namespace vrq::bench;

namespace {

int usage() {
    QTextStream(stderr) << "usage: vrq_bench [--smoke] [--reps N] [--memory-reps N] [--only "
                           "intake,process,pg,export,window,memory]\n"
                           "                 [--intake-sizes A,B] [--process-sizes A,B] [--export-calls N] "
                           "[--window-calls N] [--memory-mb N]\n"
                           "                 [--work DIR] [--program PATH]\n";
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    BenchOptions options;
    options.programPath = QStringLiteral(VRQ_PROGRAM_PATH);
    options.windowBenchPath = QStringLiteral(VRQ_WINDOW_BENCH_PATH);
    options.floorPath = QStringLiteral(VRQ_FLOOR_PATH);
    QString work = QDir::tempPath();
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto next = [&]() -> QString { return i + 1 < args.size() ? args[++i] : QString(); };
        if (a == QLatin1String("--smoke")) {
            options.smoke = true;
            options.reps = 1;
            options.memoryReps = 1;
            options.intakeSizes = {20, 100};
            options.processIntakeSizes = {20};
            options.exportCalls = 20;
            options.windowCalls = 500;
            options.memoryMegabytes = 0.5;
        } else if (a == QLatin1String("--reps")) {
            options.reps = std::max(1, next().toInt());
        } else if (a == QLatin1String("--memory-reps")) {
            options.memoryReps = std::max(1, next().toInt());
        } else if (a == QLatin1String("--only")) {
            const QStringList parts = next().split(QLatin1Char(','));
            options.intake = parts.contains(QLatin1String("intake"));
            options.process = parts.contains(QLatin1String("process"));
            options.exportFiles = parts.contains(QLatin1String("export"));
            options.window = parts.contains(QLatin1String("window"));
            options.memory = parts.contains(QLatin1String("memory"));
            options.pgIntake = parts.contains(QLatin1String("pg"));
        } else if (a == QLatin1String("--intake-sizes")) {
            options.intakeSizes.clear();
            for (const QString& size : next().split(QLatin1Char(',')))
                if (size.toInt() > 0)
                    options.intakeSizes.push_back(size.toInt());
        } else if (a == QLatin1String("--process-sizes")) {
            options.processIntakeSizes.clear();
            for (const QString& size : next().split(QLatin1Char(',')))
                if (size.toInt() > 0)
                    options.processIntakeSizes.push_back(size.toInt());
        } else if (a == QLatin1String("--export-calls")) {
            options.exportCalls = std::max(1, next().toInt());
        } else if (a == QLatin1String("--window-calls")) {
            options.windowCalls = std::max(200, next().toInt());
        } else if (a == QLatin1String("--memory-mb")) {
            options.memoryMegabytes = std::max(0.1, next().toDouble());
        } else if (a == QLatin1String("--program")) {
            options.programPath = next(); // another build of vrqtoqx7, to compare builds
        } else if (a == QLatin1String("--work")) {
            work = next();
        } else {
            return usage();
        }
    }
    QDir().mkpath(work);
    QTemporaryDir root(QDir(work).filePath(QStringLiteral("vrq-bench-XXXXXX")));
    if (!root.isValid())
        fail(QStringLiteral("cannot make a folder under %1").arg(work));
    options.workRoot = root.path();

    QTextStream(stderr) << QStringLiteral("medians of %1 runs (memory: %2), intake and floor alternately\n")
                               .arg(options.reps)
                               .arg(options.memoryReps);
    std::vector<Figure> figures;
    if (options.intake)
        intakeBench(options, figures);
    if (options.process)
        processBench(options, figures);
    if (options.pgIntake)
        pgIntakeBench(options, figures);
    if (options.exportFiles)
        exportBench(options, figures);
    if (options.window)
        windowBench(options, figures);
    if (options.memory)
        memoryBench(options, figures);
    printTable(figures);
    return 0;
}
