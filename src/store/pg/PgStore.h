#pragma once

#include "store/Store.h"

#include <memory>

namespace vrq {

namespace pg {
class Session;
} // namespace pg

// A store in a PostgreSQL database that several workstations share: the parts share one connection,
// and every row they write or read is this workstation's (Workstation, from the settings, leads every
// key).
class PgStore final : public Store {
public:
    // Opens the database the connection text names as workstation (1-99), making the store's tables
    // when it has none; read-only opens it without creating anything, and only reads.
    static std::unique_ptr<PgStore> open(const QString& connection, int workstation, StoreAccess access,
                                         Result* result = nullptr);
    ~PgStore() override;
    PgStore(const PgStore&) = delete;
    PgStore& operator=(const PgStore&) = delete;

    CallRecords& calls() override;
    AuditRecords& audit() override;
    ViewerQueries& viewers() override;
    SummaryQueries& summary() override;
    StoreSchema& schema() override;
    StoreUnits& units() override;
    SiteJobs& site() override;
    OrderLedger& ledger() override;

    // The connection, for the store's own sources and its test probe.
    pg::Session& session() { return *m_session; }

private:
    explicit PgStore(std::unique_ptr<pg::Session> session);

    std::unique_ptr<pg::Session> m_session;
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

} // namespace vrq
