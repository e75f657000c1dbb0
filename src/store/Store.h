#pragma once

#include "platform/Result.h"
#include "settings/Settings.h"
#include "store/AuditRecords.h"
#include "store/CallRecords.h"
#include "store/OrderLedger.h"
#include "store/SiteJobs.h"
#include "store/StoreSchema.h"
#include "store/StoreUnits.h"
#include "store/SummaryQueries.h"
#include "store/ViewerQueries.h"

#include <QString>
#include <memory>

namespace vrq {

// The file a SQLite store keeps in the program folder.
inline constexpr const char* kStoreFileName = "CallsAndOrders.db";

// One open call store: it owns the connection and hands out its parts, each over that one connection.
// The program reaches the store through these parts only; which engine is behind them is the factory's
// choice (openStore).
class Store {
public:
    virtual ~Store() = default;

    // Calls, orders and line items: the intake, the export, the purge.
    virtual CallRecords& calls() = 0;
    // The Audit table.
    virtual AuditRecords& audit() = 0;
    // What the viewers read, and the calls window's display marks.
    virtual ViewerQueries& viewers() = 0;
    // The About box's figures.
    virtual SummaryQueries& summary() = 0;
    // The tables and their upgrade at start-up.
    virtual StoreSchema& schema() = 0;
    // Units of work and whether the store keeps what is written.
    virtual StoreUnits& units() = 0;
    // What the workstations sharing the store do once for all of them.
    virtual SiteJobs& site() = 0;
    // The order files and claims of the calls, when several workstations send from the store.
    virtual OrderLedger& ledger() = 0;
};

enum class StoreAccess {
    ReadWrite, // made with its tables when new
    ReadOnly,  // an existing store, for reading: nothing is created, upgraded or written
};

// Where a store is: the engine, and the SQLite file or the PostgreSQL connection text.
struct StoreLocation {
    StoreBackend backend = StoreBackend::SQLite;
    QString path{};       // SQLite: the file
    QString connection{}; // PostgreSQL: the connection text
    int workstation = 1;  // PostgreSQL: the workstation whose rows the store reads and writes (1-99)

    // The store the settings name for the program in programFolder.
    static StoreLocation fromSettings(const Settings& settings, const QString& programFolder);
    // The SQLite store file at path.
    static StoreLocation file(const QString& path);
};

// Opens the store at the location. nullptr and the failure when it cannot be opened: a missing,
// unreadable or damaged file, one read-only access finds no Calls table in, a PostgreSQL server that
// cannot be reached or a database read-only access finds no store in.
std::unique_ptr<Store> openStore(const StoreLocation& location, StoreAccess access = StoreAccess::ReadWrite,
                                 Result* result = nullptr);
// The SQLite store file at path: for the tests and tools, which make and read store files of their own.
inline std::unique_ptr<Store> openStoreFile(const QString& path, StoreAccess access = StoreAccess::ReadWrite,
                                            Result* result = nullptr) {
    return openStore(StoreLocation::file(path), access, result);
}

} // namespace vrq
