#pragma once

#include "platform/Result.h"
#include "store/SiteJobs.h"
#include "store/StoreRecords.h"

#include <QDateTime>

namespace vrq {

struct AppContext;
class AuditExport;

// The daily purge: calls finished with (complete, and bad or extracted) and audit entries at or before
// the cut-off are deleted, then the audit export is rewritten. On a store several workstations share it
// is the site's: one of them purges every workstation's rows, once a day. A good call not yet extracted and
// an incomplete call stay, however old. Spare audit copies (Databin.005.1, File0005.1.Txt) and set-aside
// DataBin.Bad.N files last changed before the cut-off go too; the numbered copies of the ring stay until
// the ring comes round to them.
class PurgeJob {
public:
    PurgeJob(AppContext& ctx, AuditExport& auditExport);

    // LastDatePurged advances only when the whole purge succeeded; otherwise the failure is handed
    // back and the purge is due again.
    Result purgeCalls();

    // Midnight at the start of today minus daysOfHistory days.
    static QDateTime cutoff(const QDateTime& now, int daysOfHistory);

private:
    // Another workstation of the site purged today: this one's date follows it, and nothing is purged.
    Result takeSitePurge(const SitePurge& last);
    Result purgeCall(const CallRow& call);
    // Removes the spare copies and DataBin.Bad.N files changed before the cut-off, with one "I" entry
    // naming how many went and an "E" entry when some could not go (they are tried again next time).
    void removeOldSpares(const QDateTime& cut);
    // Removes the files of the folder whose names match the pattern and that changed before the cut-off.
    void removeOldFiles(const QString& folder, const QString& pattern, const QDateTime& cut, int* removed,
                        int* failed);

    AppContext& m_ctx;
    AuditExport& m_auditExport;
};

} // namespace vrq
