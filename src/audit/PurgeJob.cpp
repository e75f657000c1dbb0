#include "audit/PurgeJob.h"

#include "audit/AuditExport.h"
#include "context/AppContext.h"
#include "context/UserInterface.h"
#include "platform/Clock.h"
#include "store/CallStore.h"

namespace vrq {

namespace {

Result failure(const Result& result) {
    const QString code =
        result.code < 0 ? QString::number(result.code) : QLatin1Char(' ') + QString::number(result.code);
    return Result::failure(QStringLiteral("Err =") + code + QStringLiteral(" - ") + result.message);
}

} // namespace

PurgeJob::PurgeJob(AppContext& ctx, AuditExport& auditExport) : m_ctx(ctx), m_auditExport(auditExport) {}

QDateTime PurgeJob::cutoff(const QDateTime& now, int daysOfHistory) {
    return QDateTime(now.date().addDays(-daysOfHistory), QTime(0, 0));
}

Result PurgeJob::purgeCalls() {
    const QDateTime cut = cutoff(m_ctx.clock->now(), m_ctx.settings.DaysOfHistory);

    Result result;
    std::optional<CallRow> call = m_ctx.store->nextPurgeableCall(cut, 0, &result);
    while (call) {
        if (Result purged = purgeCall(call->source, call->callNumber); !purged.ok())
            return purged;
        call = m_ctx.store->nextPurgeableCall(cut, call->rowId, &result);
    }
    if (!result.ok())
        return failure(result);

    result = m_ctx.store->deleteAuditUpTo(cut);
    if (!result.ok())
        return failure(result);
    if (Result exported = m_auditExport.saveAuditsToFile(); !exported.ok())
        return exported;

    m_ctx.settings.LastDatePurged = m_ctx.clock->now();
    return Result::success();
}

Result PurgeJob::purgeCall(int source, int callNumber) {
    // Orders, items and the call row go together: no call is ever left without its orders.
    Result result = m_ctx.store->begin();
    if (result.ok())
        result = m_ctx.store->deleteCallWithOrders(source, callNumber);
    if (result.ok())
        result = m_ctx.store->commit();
    if (!result.ok()) {
        m_ctx.store->rollback();
        return failure(result);
    }
    m_ctx.ui->updateCallRow(source, callNumber, CallDisplay::Remove);
    return Result::success();
}

} // namespace vrq
