// Peak resident memory of `vrqtoqx7 --once` taking in a large DataBin.Dat, against the same process
// started with no input (what the program costs before it takes anything in).
#include "Benches.h"

#include "store/Store.h"
#include "testdata/DataBinGenerator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>

namespace vrq::bench {

namespace {

struct OnceRun {
    double seconds = 0;
    double peakMegabytes = 0;
};

// One `vrqtoqx7 --once` in a fresh program folder: the input folder holds the DataBin.Dat given (none
// when input is empty); QX7Path is empty so the export only reports that it is held.
OnceRun runOnce(const BenchOptions& options, const QString& input, int expectedCalls) {
    QTemporaryDir dir(QDir(options.workRoot).filePath(QStringLiteral("once-XXXXXX")));
    const QString home = makeFolder(dir.path(), QStringLiteral("home"));
    const QString dcs = makeFolder(dir.path(), QStringLiteral("dcs"));
    const QString ini = QDir(dir.path()).filePath(QStringLiteral("VRQToQX7.ini"));
    {
        QFile settings(ini);
        if (!settings.open(QIODevice::WriteOnly))
            fail(QStringLiteral("cannot write %1").arg(ini));
        settings.write(
            QStringLiteral("[QX7]\nEnableCalls=True\nEnableFiles=False\nQX7Path=\nDataBinPath=%1/\n")
                .arg(dcs)
                .toUtf8());
    }
    const QString dataBin = QDir(dcs).filePath(QStringLiteral("DataBin.Dat"));
    if (!input.isEmpty())
        copyFile(input, dataBin);
    const ChildRun run =
        runChild(options.programPath, {QStringLiteral("--once")},
                 {QStringLiteral("VRQTOQX7_HOME=") + home, QStringLiteral("VRQTOQX7_SETTINGS=") + ini,
                  QStringLiteral("QT_QPA_PLATFORM=offscreen")});
    requireOnceDone(run, true);
    if (!input.isEmpty() && QFile::exists(dataBin))
        fail(QStringLiteral("vrqtoqx7 --once left DataBin.Dat in place: %1")
                 .arg(QString::fromLocal8Bit(run.errors)));
    if (expectedCalls > 0) {
        Result error;
        std::unique_ptr<Store> store = openStoreFile(QDir(home).filePath(QString::fromLatin1(kStoreFileName)),
                                                     StoreAccess::ReadWrite, &error);
        if (!store)
            fail(error.message);
        const std::size_t stored = store->calls().allCalls().size();
        if (stored != static_cast<std::size_t>(expectedCalls))
            fail(QStringLiteral("vrqtoqx7 --once stored %1 calls of %2").arg(stored).arg(expectedCalls));
    }
    return {run.seconds, run.peakMegabytes};
}

} // namespace

void memoryBench(const BenchOptions& options, std::vector<Figure>& figures) {
    QTemporaryDir inputs(QDir(options.workRoot).filePath(QStringLiteral("memory-input-XXXXXX")));
    testdata::DataBinOptions gen;
    gen.ordersPerCall = options.ordersPerCall;
    gen.itemsPerOrder = options.itemsPerOrder;
    gen.seed = 13;
    gen.calls = 100;
    const double bytesPerCall =
        static_cast<double>(
            testdata::generateDataBin(gen, static_cast<std::vector<testdata::CallTruth>*>(nullptr)).size()) /
        gen.calls;
    const double wanted = options.memoryMegabytes * 1024 * 1024;
    gen.calls = static_cast<int>(std::ceil(wanted / bytesPerCall));
    const QString input = QDir(inputs.path()).filePath(QStringLiteral("DataBin.Dat"));
    QString error;
    if (!testdata::writeDataBin(input, gen, nullptr, &error))
        fail(error);
    const double inputMegabytes = static_cast<double>(QFileInfo(input).size()) / (1024 * 1024);

    std::vector<double> peak;
    std::vector<double> time;
    std::vector<double> floorPeak;
    for (int rep = 0; rep < options.memoryReps; ++rep) {
        const OnceRun run = runOnce(options, input, rep == 0 ? gen.calls : 0);
        const OnceRun empty = runOnce(options, QString(), 0);
        peak.push_back(run.peakMegabytes);
        time.push_back(run.seconds);
        floorPeak.push_back(empty.peakMegabytes);
        QTextStream(stderr) << QStringLiteral(
                                   "--once over %1 MB, run %2: %3, peak %4 MB; without input %5 MB\n")
                                   .arg(fixed(inputMegabytes, 1))
                                   .arg(rep + 1)
                                   .arg(seconds(run.seconds), fixed(run.peakMegabytes, 1),
                                        fixed(empty.peakMegabytes, 1));
    }
    const double p = median(peak);
    const double f = median(floorPeak);
    const double goal = 100; // MB, whatever the input size
    figures.push_back({QStringLiteral("vrqtoqx7 --once over a %1 MB DataBin.Dat (%2 calls): peak RSS")
                           .arg(fixed(inputMegabytes, 1))
                           .arg(gen.calls),
                       fixed(p, 1) + QStringLiteral(" MB"), fixed(f, 1) + QStringLiteral(" MB (no input)"),
                       fixed(p / f, 2), QStringLiteral("< %1 MB").arg(goal),
                       p < goal ? QStringLiteral("yes") : QStringLiteral("no")});
    const double t = median(time);
    figures.push_back(
        {QStringLiteral("vrqtoqx7 --once over %1 MB: process time, calls/s").arg(fixed(inputMegabytes, 1)),
         seconds(t) + QStringLiteral(", ") + fixed(gen.calls / t, 0) + QStringLiteral("/s"), QString(),
         QString(), QString(), QStringLiteral("-")});
}

} // namespace vrq::bench
