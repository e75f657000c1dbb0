// Order file export of pending calls against its floor: the same bytes written to as many files with
// the same durable write and the same rename.
#include "Benches.h"
#include "ProgramFolder.h"

#include "platform/FileSystem.h"
#include "testdata/DataBinGenerator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

namespace vrq::bench {

namespace {

// A store holding `calls` good, complete, pending calls, taken in through the intake.
QString makeTemplateStore(const BenchOptions& options, const QString& root) {
    const ProgramFolder folder(root);
    writeBenchDataBin(folder.dataBinPath(), options.exportCalls, options.ordersPerCall, options.itemsPerOrder,
                      11);
    {
        RunningProgram program(folder, false);
        program.app().runDataBinIntake();
    }
    return folder.storePath();
}

struct ExportRun {
    double seconds = 0;
    std::vector<QByteArray> files; // the order files written, in name order
};

ExportRun runExport(const BenchOptions& options, const QString& templateStore, bool keepFiles) {
    QTemporaryDir dir(QDir(options.workRoot).filePath(QStringLiteral("export-XXXXXX")));
    const ProgramFolder folder(dir.path());
    copyFile(templateStore, folder.storePath());
    ExportRun run;
    {
        RunningProgram program(folder, true);
        run.seconds = timeSeconds([&] { program.app().runExport(); });
    }
    const QStringList written = filesEndingWith(folder.hostFolder, QStringLiteral(".Rcv"));
    if (written.size() != options.exportCalls)
        fail(QStringLiteral("the export wrote %1 order files of %2")
                 .arg(written.size())
                 .arg(options.exportCalls));
    if (keepFiles) {
        for (const QString& name : written) {
            QFile file(QDir(folder.hostFolder).filePath(name));
            if (!file.open(QIODevice::ReadOnly))
                fail(QStringLiteral("cannot read %1").arg(file.fileName()));
            run.files.push_back(file.readAll());
        }
    }
    return run;
}

// The same bytes to as many ".Tmp" files, each flushed to the disk, then renamed to ".Rcv".
double runFloor(const BenchOptions& options, const std::vector<QByteArray>& files) {
    QTemporaryDir dir(QDir(options.workRoot).filePath(QStringLiteral("export-floor-XXXXXX")));
    FileSystem& fs = realFileSystem();
    return timeSeconds([&] {
        for (std::size_t n = 0; n < files.size(); ++n) {
            const QString base =
                QDir(dir.path()).filePath(QStringLiteral("QX71%1").arg(n + 1, 4, 10, QLatin1Char('0')));
            const QString tmp = base + QStringLiteral(".Tmp");
            if (!fs.writeFileDurably(tmp, files[n]))
                fail(QStringLiteral("floor: cannot write %1").arg(tmp));
            if (!fs.renameNoReplace(tmp, base + QStringLiteral(".Rcv")))
                fail(QStringLiteral("floor: cannot rename %1").arg(tmp));
        }
    });
}

} // namespace

void exportBench(const BenchOptions& options, std::vector<Figure>& figures) {
    QTemporaryDir templateDir(QDir(options.workRoot).filePath(QStringLiteral("export-template-XXXXXX")));
    const QString templateStore = makeTemplateStore(options, templateDir.path());
    // A first pass, not counted: gives the bytes for the floor and warms the caches.
    const ExportRun first = runExport(options, templateStore, true);
    qint64 bytes = 0;
    for (const QByteArray& f : first.files)
        bytes += f.size();
    std::vector<double> exported;
    std::vector<double> floor;
    for (int rep = 0; rep < options.reps; ++rep) {
        exported.push_back(runExport(options, templateStore, false).seconds);
        floor.push_back(runFloor(options, first.files));
        QTextStream(stderr) << QStringLiteral("export %1 calls, run %2: export %3, floor %4\n")
                                   .arg(options.exportCalls)
                                   .arg(rep + 1)
                                   .arg(seconds(exported.back()), seconds(floor.back()));
    }
    const double e = median(exported);
    const double f = median(floor);
    const double ratio = e / f;
    figures.push_back({QStringLiteral("export %1 calls (%2 order files, %3 KB): time")
                           .arg(options.exportCalls)
                           .arg(first.files.size())
                           .arg(bytes / 1024),
                       seconds(e), seconds(f), fixed(ratio, 2), QStringLiteral("ratio <= 2"),
                       ratio <= 2 ? QStringLiteral("yes") : QStringLiteral("no")});
    figures.push_back({QStringLiteral("export %1 calls: files/s").arg(options.exportCalls),
                       fixed(options.exportCalls / e, 0), fixed(options.exportCalls / f, 0), fixed(f / e, 2),
                       QString(), QStringLiteral("-")});
}

} // namespace vrq::bench
