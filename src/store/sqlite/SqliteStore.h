#pragma once

#include "store/Store.h"

#include <memory>

namespace vrq {

class CallStore;

// A store in one SQLite file: the parts share the one connection, CallStore, which holds the statements
// prepared once and the counters the intake counts in memory.
class SqliteStore final : public Store {
public:
    static std::unique_ptr<SqliteStore> open(const QString& path, StoreAccess access,
                                             Result* result = nullptr);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    CallRecords& calls() override;
    AuditRecords& audit() override;
    ViewerQueries& viewers() override;
    SummaryQueries& summary() override;
    StoreSchema& schema() override;
    StoreUnits& units() override;
    SiteJobs& site() override;
    OrderLedger& ledger() override;

    // The connection, for the store's own sources and its test probe.
    CallStore& connection() { return *m_connection; }

private:
    explicit SqliteStore(std::unique_ptr<CallStore> connection);

    std::unique_ptr<CallStore> m_connection;
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

} // namespace vrq
