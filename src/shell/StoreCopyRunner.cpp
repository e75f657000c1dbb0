#include "shell/StoreCopyRunner.h"

#include "platform/Clock.h"
#include "platform/FolderLock.h"
#include "platform/Paths.h"
#include "platform/SettingsBackend.h"
#include "settings/SettingsStore.h"
#include "shell/CommandLine.h"
#include "store/Store.h"
#include "store/StoreCopy.h"

#include <QDir>
#include <QTextStream>

namespace vrq {

namespace {

int exitCodeFor(StoreCopyFailure failure) {
    switch (failure) {
    case StoreCopyFailure::None:
        return ExitCode::kOk;
    case StoreCopyFailure::Refused:
    case StoreCopyFailure::SourceUnreadable:
        return ExitCode::kStartFailed;
    case StoreCopyFailure::Unreachable:
        return ExitCode::kStoreServerAway;
    case StoreCopyFailure::TargetNotEmpty:
        return ExitCode::kTargetNotEmpty;
    case StoreCopyFailure::CountsDiffer:
    case StoreCopyFailure::CopyFailed:
        return ExitCode::kStepFailed;
    }
    return ExitCode::kStepFailed;
}

QString copiedText(const StoreCopyCounts& counts, const QString& from, const QString& to, int workstation) {
    return QStringLiteral("Copied %1 calls, %2 orders, %3 items and %4 audit entries from %5 to the "
                          "PostgreSQL store (%6) as workstation %7.\n"
                          "The settings are unchanged: set [Store] Backend=PostgreSQL and Connection=%6 to "
                          "use it.\n")
        .arg(counts.calls)
        .arg(counts.orders)
        .arg(counts.items)
        .arg(counts.audit)
        .arg(QDir::toNativeSeparators(from), to)
        .arg(workstation);
}

// The workstation number of the settings; a setting that does not convert is reported, and its default
// used, as at every start.
int settingsWorkstation() {
    const std::unique_ptr<SettingsBackend> backend = SettingsBackend::openDefault();
    const SystemClock clock;
    SettingsStore store(*backend, clock);
    Settings settings;
    for (const SettingProblem& problem : store.load(settings))
        QTextStream(stderr) << problem.describe() << Qt::endl;
    return settings.workstation;
}

} // namespace

StoreCopyRunner::Report StoreCopyRunner::copy(const QString& programFolder, int workstation,
                                              const QString& connection) {
    const QString path = QDir(programFolder).filePath(QString::fromLatin1(kStoreFileName));
    const StoreCopyOutcome outcome = copyStoreToPostgres(path, connection, workstation);
    Report report;
    report.exitCode = exitCodeFor(outcome.failure);
    if (outcome.ok())
        report.output = copiedText(outcome.counts, path, connection.trimmed(), workstation);
    else
        report.errors = QStringLiteral("Nothing was copied from %1: %2\n")
                            .arg(QDir::toNativeSeparators(path), outcome.message);
    return report;
}

int StoreCopyRunner::run(const QStringList& arguments) {
    const QString connection = arguments.value(2).trimmed();
    if (arguments.size() != 3 || connection.isEmpty()) {
        QTextStream(stderr) << "--copy-store-to takes one argument, the PostgreSQL connection "
                               "(e.g. 'host=db1 dbname=vrq user=desk1').\n"
                            << usageText();
        return -1;
    }
    // The store is not written while it is read: a running program would take calls the copy misses.
    FolderLock lock(programFolder());
    if (!lock.tryLock(QStringLiteral("copy"))) {
        QTextStream(stderr) << lock.error() << " Nothing was copied." << Qt::endl;
        return lock.heldByAnotherCopy() ? ExitCode::kFolderInUse : ExitCode::kStartFailed;
    }
    const Report report = copy(programFolder(), settingsWorkstation(), connection);
    QTextStream(stdout) << report.output;
    QTextStream(stderr) << report.errors;
    return report.exitCode;
}

} // namespace vrq
