#include "audit/AuditExport.h"

#include "context/AppContext.h"
#include "context/NetworkConnection.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "store/AuditLog.h"
#include "store/Store.h"

#include <QLocale>

namespace vrq {

namespace {

const char* const kExportFileName = "VRQtoQX7.Aud";
const char* const kStatusFileName = "VRQtoQX7.Sts";
const QLatin1String kStampFormat("yyyyMMddHHmmss");

QString stamp(const QDateTime& dt) {
    if (!dt.isValid())
        return QString(14, QLatin1Char(' ')); // keeps the columns of a row without the date
    return QLocale::c().toString(dt, kStampFormat);
}

// Digits preceded by the sign position and followed by one blank.
QString numberField(qint64 value) {
    return (value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value)) +
           QLatin1Char(' ');
}

QByteArray lineBytes(const QString& line) {
    return line.toLatin1() + "\r\n";
}

// Good and bad calls of one run of rows with the same event day.
struct DayRun {
    QString day; // YYYYMMDD, empty before the first row
    int good = 0;
    int bad = 0;

    bool hasCalls() const { return !day.isEmpty() && (good > 0 || bad > 0); }
};

QString counted(int count, const char* one, const char* many) {
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
}

Result failure(int code, const QString& description) {
    return Result::failure(QStringLiteral("SaveAuditsToFile: Err =") +
                           (code < 0 ? QString::number(code) : QLatin1Char(' ') + QString::number(code)) +
                           QStringLiteral(" - ") + description);
}

} // namespace

AuditExport::AuditExport(AppContext& ctx, NetworkConnection& network) : m_ctx(ctx), m_network(network) {}

QString AuditExport::exportLine(const AuditRow& row) {
    const QString audited = stamp(row.auditDnt);
    QString seq(6, QLatin1Char(' '));
    if (row.seq)
        seq = QString::number(*row.seq).rightJustified(6, QLatin1Char('0'));
    const QString instance =
        row.instance && !row.instance->isEmpty() ? row.instance->left(1) : QStringLiteral("-");

    QString line = audited.left(8) + QLatin1Char(' ') + audited.mid(8, 2) + QLatin1Char(':') +
                   audited.mid(10, 2) + QLatin1Char(':') + audited.mid(12, 2) + QLatin1Char('.') +
                   seq.left(3) + QLatin1Char(' ') + instance + QLatin1Char(' ') + seq.right(3) +
                   QLatin1Char(' ') + stamp(row.eventDnt) +
                   row.type.left(1).leftJustified(1, QLatin1Char(' ')) +
                   row.msg.leftJustified(kMessageWidth, QLatin1Char(' '), true);
    return line.leftJustified(kLineWidth, QLatin1Char(' '), true);
}

QString AuditExport::statusLine(const QString& day, int good, int bad) {
    const int total = good + bad;
    const int percent = total > 0 ? static_cast<int>(static_cast<qint64>(good) * 100 / total) : 0;
    return day.mid(4, 2) + QLatin1Char('/') + day.mid(6, 2) + QLatin1Char('/') + day.left(4) +
           QStringLiteral("  ") + numberField(good) + QStringLiteral(" Good   ") + numberField(bad) +
           QStringLiteral(" Bad   ") + numberField(percent) + QStringLiteral(" % Success");
}

Result AuditExport::gather(Contents& contents) const {
    DayRun run;
    auto closeRun = [&] {
        if (!run.hasCalls())
            return;
        contents.statusBytes += lineBytes(statusLine(run.day, run.good, run.bad));
        ++contents.dayLines;
    };
    Result result = m_ctx.store->audit().forEachExportableAudit([&](const AuditRow& row) {
        ++contents.rows;
        contents.exportBytes += lineBytes(exportLine(row));
        const QString day = stamp(row.eventDnt).left(8).trimmed();
        if (day != run.day) {
            closeRun();
            run = DayRun{day, 0, 0};
        }
        if (row.type == auditTypeLetter(AuditType::GoodCall))
            ++run.good;
        else if (row.type == auditTypeLetter(AuditType::BadCall))
            ++run.bad;
    });
    closeRun();
    return result;
}

QString AuditExport::filePath(const char* name) const {
    QString folder = PathResolver::trimRight(m_ctx.settings.qx7Path);
    if (folder.isEmpty())
        folder = QStringLiteral(".\\");
    return m_ctx.paths->resolve(PathResolver::withTrailingSeparator(folder) + QLatin1String(name));
}

AuditExportOutcome AuditExport::exportAudits() {
    AuditExportOutcome outcome;
    auto ended = [&](AuditExportOutcome::Done done, Result result = Result::success()) {
        outcome.done = done;
        outcome.result = std::move(result);
        return outcome;
    };
    if (PathResolver::trimRight(m_ctx.settings.qx7Path).isEmpty())
        return ended(AuditExportOutcome::Done::FolderNotSet);
    // The files are the site's: one writer at a time (the purge holds the lock already).
    const SiteLock lock(m_ctx.store->site());
    if (lock.taken().isInUse())
        return ended(AuditExportOutcome::Done::Busy);
    if (!lock.taken().ok())
        return ended(AuditExportOutcome::Done::Failed, failure(lock.taken().code, lock.taken().message));
    outcome.exportFile = filePath(kExportFileName);
    outcome.statusFile = filePath(kStatusFileName);

    m_contents = Contents();
    const Result gathered = gather(m_contents);
    if (!gathered.ok())
        return ended(AuditExportOutcome::Done::Failed, failure(gathered.code, gathered.message));
    if (m_contents.rows == 0)
        return ended(AuditExportOutcome::Done::NoEntries); // the files of the last export stay as they are

    if (!m_network.hostFolderExists()) {
        const Result lost =
            m_ctx.audit->write(AuditType::ConnectionLost, QStringLiteral("Network connection lost."));
        if (!lost.ok())
            return ended(AuditExportOutcome::Done::Failed, failure(lost.code, lost.message));
        Result established;
        if (!m_network.connectNetworkDrive(established))
            return established.ok() ? ended(AuditExportOutcome::Done::FolderAway)
                                    : ended(AuditExportOutcome::Done::Failed,
                                            failure(established.code, established.message));
    }
    if (const Result created = createEmptyAuditFiles(); !created.ok()) {
        outcome.problem = created.message;
        return ended(AuditExportOutcome::Done::FilesNotCreated);
    }
    outcome.entries = m_contents.rows;
    outcome.dayLines = m_contents.dayLines;
    const Result written = writeAuditFiles();
    return written.ok() ? ended(AuditExportOutcome::Done::Written)
                        : ended(AuditExportOutcome::Done::Failed, written);
}

Result AuditExport::createEmptyAuditFiles() {
    for (const char* name : {kExportFileName, kStatusFileName}) {
        // A failed status file leaves the export file as it is now: empty.
        const QString path = filePath(name);
        if (const Result created = m_ctx.fs->writeFileDurably(path, QByteArray()); !created.ok())
            return Result::failure(created.code, path + QStringLiteral(" could not be created (") +
                                                     created.message + QLatin1Char(')'));
    }
    return Result::success();
}

Result AuditExport::writeAuditFiles() {
    Result written = m_ctx.fs->writeFileDurably(filePath(kExportFileName), m_contents.exportBytes);
    if (written)
        written = m_ctx.fs->writeFileDurably(filePath(kStatusFileName), m_contents.statusBytes);
    m_contents = Contents();
    if (!written)
        return failure(written.code, written.message);
    return Result::success();
}

QString AuditExportOutcome::text() const {
    const QString notSaved = QStringLiteral("The audits were not saved: ");
    switch (done) {
    case Done::Written:
        return QStringLiteral("Saved %1 to %2 and %3 of call counts to %4.")
            .arg(counted(entries, "audit entry", "audit entries"), exportFile,
                 counted(dayLines, "line", "lines"), statusFile);
    case Done::FolderNotSet:
        return notSaved + QStringLiteral("no host folder is set (MXR Folder in Properties).");
    case Done::NoEntries:
        return notSaved + QStringLiteral("the audit log holds no entry. The files of the last save, if any, "
                                         "were left as they are.");
    case Done::FolderAway:
        return notSaved + QStringLiteral("the host folder cannot be reached. Try again once it is back.");
    case Done::Busy:
        return notSaved + QStringLiteral("another workstation is writing them to the host folder now. Try "
                                         "again in a moment.");
    case Done::FilesNotCreated:
        return notSaved + problem + QLatin1Char('.');
    case Done::Failed:
        break;
    }
    return notSaved + result.message;
}

} // namespace vrq
