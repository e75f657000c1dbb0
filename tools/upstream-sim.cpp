// Upstream simulator: appends calls to DataBin.Dat under the lock byte protocol and drops order files
// into the scanned folder, chunk after chunk, until a count, a duration or SIGTERM ends it. What it
// wrote is a function of its plan (see testdata/UpstreamSim.h); it prints the counts when it ends:
// "chunks=N files=M".
#include "testdata/UpstreamSim.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTextStream>
#include <QThread>

#include <atomic>
#include <chrono>
#include <csignal>

using namespace vrq::testdata;

namespace {

std::atomic_bool g_stop{false};
extern "C" void onStop(int) {
    g_stop.store(true);
}

int usage() {
    QTextStream(stderr)
        << "usage: upstream-sim --databin FILE [--scanned FOLDER] [--seed N] [--calls-per-chunk N]\n"
           "         [--first-call N] [--interval-ms N] [--files-every N] [--chunks N]\n"
           "         [--duration-s N] [--lock-wait-ms N]\n";
    return 2;
}

// Written beside the folder, then renamed in, so a scan never sees half a file.
bool dropScannedFile(const QString& folder, int index, const UpstreamPlan& plan, QString* error) {
    const QString staging = QDir(folder).absolutePath() + QStringLiteral(".staging");
    QDir().mkpath(staging);
    const QString name = upstreamScannedFileName(index);
    const QString temporary = QDir(staging).filePath(name);
    if (!writeScannedFile(temporary, upstreamScannedFile(plan, index), error))
        return false;
    if (!QFile::rename(temporary, QDir(folder).filePath(name))) {
        if (error)
            *error = QStringLiteral("cannot move %1 into %2").arg(name, folder);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    std::signal(SIGTERM, onStop);
    std::signal(SIGINT, onStop);
    const QStringList args = app.arguments();
    UpstreamPlan plan;
    QString dataBin;
    QString scanned;
    int intervalMs = 200;
    int filesEvery = 0;
    int chunks = 0;
    int durationS = 0;
    int lockWaitMs = 60000;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (i + 1 >= args.size())
            return usage();
        const QString value = args[++i];
        bool ok = true;
        if (a == QLatin1String("--databin"))
            dataBin = value;
        else if (a == QLatin1String("--scanned"))
            scanned = value;
        else if (a == QLatin1String("--seed"))
            plan.seed = value.toUInt(&ok);
        else if (a == QLatin1String("--calls-per-chunk"))
            plan.callsPerChunk = value.toInt(&ok);
        else if (a == QLatin1String("--first-call"))
            plan.firstCallNumber = value.toInt(&ok);
        else if (a == QLatin1String("--interval-ms"))
            intervalMs = value.toInt(&ok);
        else if (a == QLatin1String("--files-every"))
            filesEvery = value.toInt(&ok);
        else if (a == QLatin1String("--chunks"))
            chunks = value.toInt(&ok);
        else if (a == QLatin1String("--duration-s"))
            durationS = value.toInt(&ok);
        else if (a == QLatin1String("--lock-wait-ms"))
            lockWaitMs = value.toInt(&ok);
        else
            return usage();
        if (!ok)
            return usage();
    }
    if (dataBin.isEmpty() || (filesEvery > 0 && scanned.isEmpty()))
        return usage();

    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::seconds(durationS);
    int written = 0;
    int files = 0;
    int status = 0;
    while (!g_stop.load() && (chunks == 0 || written < chunks) && (durationS == 0 || Clock::now() < end)) {
        QString error;
        if (!appendUnderLock(dataBin, upstreamChunk(plan, written, nullptr), lockWaitMs, &error)) {
            QTextStream(stderr) << "upstream-sim: " << dataBin << ": " << error << Qt::endl;
            status = 1;
            break;
        }
        ++written;
        if (filesEvery > 0 && written % filesEvery == 0) {
            if (!dropScannedFile(scanned, files, plan, &error)) {
                QTextStream(stderr) << "upstream-sim: " << error << Qt::endl;
                status = 1;
                break;
            }
            ++files;
        }
        if (intervalMs > 0)
            QThread::msleep(static_cast<unsigned long>(intervalMs));
    }
    QTextStream(stdout) << "chunks=" << written << " files=" << files << Qt::endl;
    return status;
}
