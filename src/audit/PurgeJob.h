#pragma once

#include "platform/Result.h"

#include <QDateTime>

namespace vrq {

struct AppContext;
class AuditExport;

// The daily purge: calls finished with (complete, and bad or extracted) and audit entries at or before
// the cut-off are deleted, then the audit export is rewritten. A good call not yet extracted and an
// incomplete call stay, however old.
class PurgeJob {
public:
    PurgeJob(AppContext& ctx, AuditExport& auditExport);

    // LastDatePurged advances only when the whole purge succeeded; otherwise the failure is handed
    // back and the purge is due again.
    Result purgeCalls();

    // Midnight at the start of today minus daysOfHistory days.
    static QDateTime cutoff(const QDateTime& now, int daysOfHistory);

private:
    Result purgeCall(int source, int callNumber);

    AppContext& m_ctx;
    AuditExport& m_auditExport;
};

} // namespace vrq
