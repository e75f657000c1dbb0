#include "audit/PurgeJob.h"

#include "audit/AuditExport.h"
#include "context/AppContext.h"
#include "context/UserInterface.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "store/AuditLog.h"
#include "store/Store.h"
#include "store/UnitOfWork.h"

#include <QDir>
#include <QRegularExpression>

namespace vrq {

namespace {

Result failure(const Result& result) {
    const QString code =
        result.code < 0 ? QString::number(result.code) : QLatin1Char(' ') + QString::number(result.code);
    return Result::failure(QStringLiteral("Err =") + code + QStringLiteral(" - ") + result.message);
}

// The names of the copies made when the wanted name was taken by a younger one.
const QString kSpareAuditCopy = QStringLiteral("^(Databin\\.\\d{3}\\.\\d+|File\\d{4}\\.\\d+\\.Txt)$");
const QString kSpareBadFile = QStringLiteral("^DataBin\\.Bad\\.\\d+$");

// How many old spare files went, and how many could not.
struct SpareCount {
    int auditCopies = 0;
    int badFiles = 0;
    int failed = 0;
};

} // namespace

PurgeJob::PurgeJob(AppContext& ctx, AuditExport& auditExport) : m_ctx(ctx), m_auditExport(auditExport) {}

QDateTime PurgeJob::cutoff(const QDateTime& now, int daysOfHistory) {
    return QDateTime(now.date().addDays(-daysOfHistory), QTime(0, 0));
}

Result PurgeJob::purgeCalls() {
    // The workstations sharing a store purge it once a day between them: one at a time, under the
    // site's lock, and none again on a day the site's record says it was purged.
    SiteLock lock(m_ctx.store->site());
    if (lock.taken().isInUse())
        return Result::success(); // another workstation purges now; the next pass finds its record
    if (!lock.taken().ok())
        return failure(lock.taken());
    // The spare files are this workstation's own: removed once the purge is this pass's to do or take.
    const QDateTime cut = cutoff(m_ctx.clock->now(), m_ctx.settings.daysOfHistory);
    removeOldSpares(cut);
    Result read;
    const std::optional<SitePurge> last = m_ctx.store->site().lastPurge(&read);
    if (!read.ok())
        return failure(read);
    if (last && last->when.date() == m_ctx.clock->now().date())
        return takeSitePurge(*last);

    Result result;
    CallCursor after;
    std::optional<CallRow> call = m_ctx.store->calls().nextPurgeableCall(cut, after, &result);
    while (call) {
        if (Result purged = purgeCall(*call); !purged.ok())
            return purged;
        call = m_ctx.store->calls().nextPurgeableCall(cut, after, &result);
    }
    if (!result.ok())
        return failure(result);

    result = m_ctx.store->audit().deleteAuditUpTo(cut);
    if (!result.ok())
        return failure(result);
    if (Result exported = m_auditExport.saveAuditsToFile(); !exported.ok())
        return exported;

    const QDateTime now = m_ctx.clock->now();
    if (Result recorded = m_ctx.store->site().recordPurge(now); !recorded.ok())
        return failure(recorded);
    m_ctx.settings.lastDatePurged = now;
    return Result::success();
}

Result PurgeJob::takeSitePurge(const SitePurge& last) {
    m_ctx.settings.lastDatePurged = last.when;
    if (last.workstation == m_ctx.settings.workstation)
        return Result::success(); // this workstation's own purge, recorded before its settings were saved
    if (m_ctx.audit)
        m_ctx.audit->write(AuditType::Info,
                           QStringLiteral("PurgeCalls: workstation %1 purged the site's history today at %2.")
                               .arg(last.workstation)
                               .arg(last.when.toString(QStringLiteral("HH:mm:ss"))));
    return Result::success();
}

Result PurgeJob::purgeCall(const CallRow& call) {
    // Orders, items and the call row go together: no call is ever left without its orders.
    UnitOfWork unit(m_ctx.store->units());
    Result result = unit.begun();
    if (result.ok())
        result = m_ctx.store->calls().deleteCallWithOrders(call);
    if (result.ok())
        result = unit.commit();
    if (!result.ok())
        return failure(result); // the unit is undone as it goes out of scope
    if (call.workstation == m_ctx.settings.workstation)
        m_ctx.ui->updateCallRow(call.source, call.callNumber, CallDisplay::Remove);
    return Result::success();
}

void PurgeJob::removeOldFiles(const QString& folder, const QString& pattern, const QDateTime& cut,
                              int* removed, int* failed) {
    const QRegularExpression name(pattern, QRegularExpression::CaseInsensitiveOption);
    for (const FileEntry& entry : m_ctx.fs->listFiles(folder)) {
        const QString path = QDir(folder).filePath(entry.name);
        if (!name.match(entry.name).hasMatch() || !changedBefore(*m_ctx.fs, path, cut))
            continue;
        if (m_ctx.fs->removeFile(path).ok())
            ++*removed;
        else
            ++*failed;
    }
}

void PurgeJob::removeOldSpares(const QDateTime& cut) {
    SpareCount count;
    removeOldFiles(QDir(m_ctx.programFolder).filePath(QStringLiteral("Audit")), kSpareAuditCopy, cut,
                   &count.auditCopies, &count.failed);
    QString dataBinFolder = PathResolver::trimRight(m_ctx.settings.dataBinPath);
    if (dataBinFolder.isEmpty())
        dataBinFolder = QStringLiteral(".\\");
    removeOldFiles(m_ctx.paths->resolve(PathResolver::withTrailingSeparator(dataBinFolder)), kSpareBadFile,
                   cut, &count.badFiles, &count.failed);
    if (!m_ctx.audit)
        return;
    const QString days = QString::number(m_ctx.settings.daysOfHistory);
    if (count.auditCopies + count.badFiles > 0)
        m_ctx.audit->write(
            AuditType::Info,
            QStringLiteral("Purge removed %1 spare audit copies and %2 set-aside DataBin.Bad files "
                           "older than %3 days.")
                .arg(count.auditCopies)
                .arg(count.badFiles)
                .arg(days));
    if (count.failed > 0)
        m_ctx.audit->write(
            AuditType::Error,
            QStringLiteral("Purge could not remove %1 spare copies older than %2 days; the next "
                           "purge tries again.")
                .arg(count.failed)
                .arg(days));
}

} // namespace vrq
