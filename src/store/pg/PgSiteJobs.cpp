// What the workstations of a shared database do once for all of them: the site's lock, held by one
// session at a time, and the record of the site's last purge.
#include "store/pg/PgParts.h"

namespace vrq::pg {

namespace {

// The two-number form with 7207004: apart from the workstations' locks (7207003) and the lock of the
// tables' creation (the one-number form).
const Statement kHoldSiteLock{"site_lock", "SELECT pg_try_advisory_lock(7207004, 0)"};
const Statement kReleaseSiteLock{"site_unlock", "SELECT pg_advisory_unlock(7207004, 0)"};
const Statement kLastPurge{"site_last_purge",
                           "SELECT LastDone, Workstation FROM SiteJobs WHERE Job = 'Purge'"};
const Statement kRecordPurge{
    "site_record_purge",
    "INSERT INTO SiteJobs (Job, LastDone, Workstation) VALUES ('Purge', $1, $2) ON CONFLICT (Job) DO UPDATE "
    "SET LastDone = EXCLUDED.LastDone, Workstation = EXCLUDED.Workstation"};

} // namespace

Result PgSiteJobs::holdSiteLock() {
    if (m_holds > 0) {
        ++m_holds;
        return Result::success();
    }
    Rows rows;
    if (Result r = m_s.run(kHoldSiteLock, {}, &rows); !r)
        return r;
    if (rows.values.empty() || !boolOf(rows.values.front().front()))
        return Result::inUse(QStringLiteral("another workstation is purging the site's history or writing "
                                            "its audit files"));
    m_holds = 1;
    return Result::success();
}

void PgSiteJobs::releaseSiteLock() {
    if (m_holds == 0 || --m_holds > 0)
        return;
    // A connection lost meanwhile took the lock with it.
    m_s.run(kReleaseSiteLock, {});
}

std::optional<SitePurge> PgSiteJobs::lastPurge(Result* result) {
    Rows rows;
    const Result r = m_s.run(kLastPurge, {}, &rows);
    if (result)
        *result = r;
    if (!r || rows.values.empty())
        return std::nullopt;
    return SitePurge{.when = dateOf(rows.values.front()[0]), .workstation = intOf(rows.values.front()[1])};
}

Result PgSiteJobs::recordPurge(const QDateTime& when) {
    return m_s.run(kRecordPurge, {param(when), m_s.station()});
}

} // namespace vrq::pg
