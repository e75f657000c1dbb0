#pragma once

#include "platform/Result.h"
#include "store/StoreRecords.h"

#include <QDate>
#include <QDateTime>
#include <functional>
#include <vector>

namespace vrq {

// The Audit table: the entries the program writes, exports, purges and shows.
class AuditRecords {
public:
    virtual ~AuditRecords() = default;

    virtual Result insertAudit(const AuditRow& row) = 0;
    // The entries of the site (every workstation sharing the store) that the audit files hold, and
    // the site's purge of them.
    virtual Result forEachExportableAudit(const std::function<void(const AuditRow&)>& visit) = 0;
    virtual Result deleteAuditUpTo(const QDateTime& cutoff) = 0;
    // Every entry in the store's natural order; tests and tools.
    virtual std::vector<AuditRow> allAudit() = 0;
    // The entries the filter lets through, by AuditDNT and Seq (newest or oldest first).
    virtual std::vector<AuditRow> auditEntries(const AuditFilter& filter, Result* result = nullptr) = 0;
    // The calls taken in on this day, good and bad.
    virtual DayCallCounts callCountsOfDay(const QDate& day, Result* result = nullptr) = 0;
};

} // namespace vrq
