// The SQLite store's parts: each hands its concern's calls to the one connection.
#include "store/sqlite/SqliteStore.h"

#include "store/AuditRecords.h"
#include "store/CallRecords.h"
#include "store/StoreSchema.h"
#include "store/StoreUnits.h"
#include "store/SummaryQueries.h"
#include "store/ViewerQueries.h"
#include "store/sqlite/CallStore.h"

namespace vrq {

namespace {

class SqliteCallRecords final : public CallRecords {
public:
    explicit SqliteCallRecords(CallStore& db) : m_db(db) {}

    std::optional<CallRow> findCall(int source, int callNumber, Result* result) override {
        return m_db.findCall(source, callNumber, result);
    }
    std::optional<CallRow> findFirstCallByNumber(int callNumber, Result* result) override {
        return m_db.findFirstCallByNumber(callNumber, result);
    }
    Result insertCall(const CallRow& row) override { return m_db.insertCall(row); }
    Result raiseNumberOfOrders(int source, int callNumber, int* newCount) override {
        return m_db.raiseNumberOfOrders(source, callNumber, newCount);
    }
    Result insertOrder(const OrderRow& row) override { return m_db.insertOrder(row); }
    Result raiseNumberOfItems(int source, int callNumber, int orderSeqNumber, int* newCount) override {
        return m_db.raiseNumberOfItems(source, callNumber, orderSeqNumber, newCount);
    }
    Result insertItem(const ItemRow& row) override { return m_db.insertItem(row); }
    Result setOrderMessage(int source, int callNumber, int orderSeqNumber, const QString& message) override {
        return m_db.setOrderMessage(source, callNumber, orderSeqNumber, message);
    }
    Result setPriceOverride(int source, int callNumber, int orderSeqNumber, int itemSeqNumber,
                            int price) override {
        return m_db.setPriceOverride(source, callNumber, orderSeqNumber, itemSeqNumber, price);
    }
    Result setCallComplete(int source, int callNumber, std::optional<bool> goodCall) override {
        return m_db.setCallComplete(source, callNumber, goodCall);
    }
    void readPendingGroup(const CallCursor& after, int limit, PendingGroup& group, Result* result) override {
        m_db.readPendingGroup(after, limit, group, result);
    }
    int pendingCallCount(Result* result) override { return m_db.pendingCallCount(result); }
    std::vector<OrderRow> ordersOfCall(int source, int callNumber, Result* result) override {
        return m_db.ordersOfCall(source, callNumber, result);
    }
    std::optional<OrderRow> findOrder(int source, int callNumber, int orderSeqNumber,
                                      Result* result) override {
        return m_db.findOrder(source, callNumber, orderSeqNumber, result);
    }
    std::vector<ItemRow> itemsOfOrder(int source, int callNumber, int orderSeqNumber,
                                      Result* result) override {
        return m_db.itemsOfOrder(source, callNumber, orderSeqNumber, result);
    }
    Result markExtracted(int source, int callNumber, const QString& fileName,
                         const QDateTime& when) override {
        return m_db.markExtracted(source, callNumber, fileName, when);
    }
    Result setExtracted(int source, int callNumber, bool extracted) override {
        return m_db.setExtracted(source, callNumber, extracted);
    }
    std::optional<CallRow> nextPurgeableCall(const QDateTime& cutoff, CallCursor& after,
                                             Result* result) override {
        return m_db.nextPurgeableCall(cutoff, after, result);
    }
    Result deleteCallWithOrders(const CallRow& call) override {
        return m_db.deleteCallWithOrders(call.source, call.callNumber);
    }
    std::vector<CallRow> allCalls(Result* result) override { return m_db.allCalls(result); }
    std::vector<OrderRow> allOrders(Result* result) override { return m_db.allOrders(result); }
    std::vector<ItemRow> allItems(Result* result) override { return m_db.allItems(result); }

private:
    CallStore& m_db;
};

class SqliteAuditRecords final : public AuditRecords {
public:
    explicit SqliteAuditRecords(CallStore& db) : m_db(db) {}

    Result insertAudit(const AuditRow& row) override { return m_db.insertAudit(row); }
    Result forEachExportableAudit(const std::function<void(const AuditRow&)>& visit) override {
        return m_db.forEachExportableAudit(visit);
    }
    Result deleteAuditUpTo(const QDateTime& cutoff) override { return m_db.deleteAuditUpTo(cutoff); }
    std::vector<AuditRow> allAudit() override { return m_db.allAudit(); }
    std::vector<AuditRow> auditEntries(const AuditFilter& filter, Result* result) override {
        return m_db.auditEntries(filter, result);
    }
    DayCallCounts callCountsOfDay(const QDate& day, Result* result) override {
        return m_db.callCountsOfDay(day, result);
    }

private:
    CallStore& m_db;
};

class SqliteViewerQueries final : public ViewerQueries {
public:
    explicit SqliteViewerQueries(CallStore& db) : m_db(db) {}

    bool sharedByWorkstations() const override { return false; }
    int thisWorkstation() const override { return 1; }
    Result resetDisplayed() override { return m_db.resetDisplayed(); }
    std::vector<CallDisplayRow> retakeAllCompleteCalls(Result* result) override {
        return m_db.retakeAllCompleteCalls(result);
    }
    std::vector<CallDisplayRow> takeUndisplayedCompleteCalls(Result* result) override {
        return m_db.takeUndisplayedCompleteCalls(result);
    }
    // One workstation is the whole store: there are no others, and the scope reads the same rows.
    OtherWorkstationCalls otherWorkstationsCompleteCalls(const QString&, Result* result) override {
        if (result)
            *result = Result::success();
        return {};
    }
    std::vector<OrderViewRow> ordersOfSalesperson(const QString& salesperson, ViewScope,
                                                  Result* result) override {
        return m_db.ordersOfSalesperson(salesperson, result);
    }
    std::vector<OrderViewRow> ordersOfCustomer(const QString& customer, ViewScope, Result* result) override {
        return m_db.ordersOfCustomer(customer, result);
    }
    std::vector<OrderViewRow> ordersOfDay(const QDate& day, ViewScope, Result* result) override {
        return m_db.ordersOfDay(day, result);
    }
    std::vector<CallRow> callsBetween(const QDateTime& from, const QDateTime& through, ViewScope,
                                      Result* result) override {
        return m_db.callsBetween(from, through, result);
    }
    std::vector<OrderRow> ordersOfListedCall(const CallRow& call, Result* result) override {
        return m_db.ordersOfCall(call.source, call.callNumber, result);
    }

private:
    CallStore& m_db;
};

class SqliteSummaryQueries final : public SummaryQueries {
public:
    explicit SqliteSummaryQueries(CallStore& db) : m_db(db) {}

    StoreSummary summary(Result* result) override { return m_db.summary(result); }
    StoreSummary loggedTimes(Result* result) override { return m_db.loggedTimes(result); }

private:
    CallStore& m_db;
};

class SqliteStoreSchema final : public StoreSchema {
public:
    explicit SqliteStoreSchema(CallStore& db) : m_db(db) {}

    std::vector<bool> dataConversions() override { return m_db.dataConversions(); }
    int schemaVersion() const override { return m_db.schemaVersion(); }
    Result executeJetDdl(const QString& jetSql) override { return m_db.executeJetDdl(jetSql); }
    QStringList columnsOf(const QString& table) const override { return m_db.columnsOf(table); }
    QStringList primaryKeyOf(const QString& table) const override { return m_db.primaryKeyOf(table); }

private:
    CallStore& m_db;
};

class SqliteStoreUnits final : public StoreUnits {
public:
    explicit SqliteStoreUnits(CallStore& db) : m_db(db) {}

    Result begin() override { return m_db.begin(); }
    Result commit() override { return m_db.commit(); }
    void rollback() override { m_db.rollback(); }
    bool inTransaction() const override { return m_db.inTransaction(); }
    Result beginGroup() override { return m_db.beginGroup(); }
    Result endGroup() override { return m_db.endGroup(); }
    void abandonGroup() override { m_db.abandonGroup(); }
    bool inGroup() const override { return m_db.inGroup(); }
    void checkpoint() override { m_db.checkpoint(); }
    Result writable(WriteTrial trial) override { return m_db.writable(trial); }
    Result reconnect() override { return Result::success(); } // a file is never lost as a server is
    Result claimWorkstation() override { return Result::success(); }
    bool fileMoved() override { return m_db.fileMoved(); }
    void refuseWrites(const QString& reason) override { m_db.refuseWrites(reason); }
    bool refusesWrites() const override { return m_db.refusesWrites(); }
    Result saveCopy(const QString& path) override { return m_db.saveCopy(path); }
    QString path() const override { return m_db.path(); }

private:
    CallStore& m_db;
};

// One workstation is the whole site: nobody else purges or writes its audit files, and the settings keep
// the date of its purge.
class SqliteSiteJobs final : public SiteJobs {
public:
    Result holdSiteLock() override { return Result::success(); }
    void releaseSiteLock() override {}
    std::optional<SitePurge> lastPurge(Result* result) override {
        if (result)
            *result = Result::success();
        return std::nullopt;
    }
    Result recordPurge(const QDateTime&) override { return Result::success(); }
};

// A store of one workstation keeps no ledger: its export keeps its record in the program folder.
class SqliteOrderLedger final : public OrderLedger {
public:
    bool keepsLedger() const override { return false; }
    Result registerSystem(int, int) override { return notKept(); }
    QString siteMarker(Result* result) override { return none<QString>(result); }
    bool markerPlaced(Result* result) override { return none<bool>(result); }
    Result recordMarkerPlaced() override { return notKept(); }
    std::vector<ClaimedCall> claimCalls(int, bool, qint64*, Result* result) override {
        return none<std::vector<ClaimedCall>>(result);
    }
    std::vector<OrderFileEntry> reserveFiles(qint64, const std::vector<SiteCallKey>&,
                                             const std::vector<SiteCallKey>&, const NameInUse&,
                                             Result* result) override {
        return none<std::vector<OrderFileEntry>>(result);
    }
    Result markAboutToRename(qint64, const std::vector<qint64>&, std::vector<qint64>*) override {
        return notKept();
    }
    Result markDelivered(const OrderFileEntry&, const QString&, const QDateTime&) override {
        return notKept();
    }
    Result markAbandoned(const OrderFileEntry&) override { return notKept(); }
    Result markSentWithoutFile(const SiteCallKey&, qint64, const QDateTime&) override { return notKept(); }
    std::vector<OrderFileEntry> unsettledFiles(int, Result* result) override {
        return none<std::vector<OrderFileEntry>>(result);
    }
    std::vector<qint64> givenUpFiles(const std::vector<qint64>&, Result* result) override {
        return none<std::vector<qint64>>(result);
    }
    std::vector<qint64> settledFiles(const std::vector<qint64>&, Result* result) override {
        return none<std::vector<qint64>>(result);
    }
    std::vector<int> otherExporters(Result* result) override { return none<std::vector<int>>(result); }
    Result holdWorkstation(int) override { return notKept(); }
    void releaseWorkstation(int) override {}
    Result endStaleClaims(int) override { return notKept(); }

private:
    static Result notKept() {
        return Result::failure(QStringLiteral("A store in a file keeps no order file ledger."));
    }
    template <typename T> static T none(Result* result) {
        if (result)
            *result = notKept();
        return T{};
    }
};

} // namespace

struct SqliteStore::Parts {
    explicit Parts(CallStore& db) : calls(db), audit(db), viewers(db), summary(db), schema(db), units(db) {}
    SqliteCallRecords calls;
    SqliteAuditRecords audit;
    SqliteViewerQueries viewers;
    SqliteSummaryQueries summary;
    SqliteStoreSchema schema;
    SqliteStoreUnits units;
    SqliteSiteJobs site;
    SqliteOrderLedger ledger;
};

std::unique_ptr<SqliteStore> SqliteStore::open(const QString& path, StoreAccess access, Result* result) {
    std::unique_ptr<CallStore> connection = access == StoreAccess::ReadOnly
                                                ? CallStore::openForReading(path, result)
                                                : CallStore::open(path, result);
    if (!connection)
        return nullptr;
    return std::unique_ptr<SqliteStore>(new SqliteStore(std::move(connection)));
}

SqliteStore::SqliteStore(std::unique_ptr<CallStore> connection)
    : m_connection(std::move(connection)), m_parts(std::make_unique<Parts>(*m_connection)) {}

SqliteStore::~SqliteStore() = default;

CallRecords& SqliteStore::calls() {
    return m_parts->calls;
}
AuditRecords& SqliteStore::audit() {
    return m_parts->audit;
}
ViewerQueries& SqliteStore::viewers() {
    return m_parts->viewers;
}
SummaryQueries& SqliteStore::summary() {
    return m_parts->summary;
}
StoreSchema& SqliteStore::schema() {
    return m_parts->schema;
}
StoreUnits& SqliteStore::units() {
    return m_parts->units;
}
SiteJobs& SqliteStore::site() {
    return m_parts->site;
}
OrderLedger& SqliteStore::ledger() {
    return m_parts->ledger;
}

} // namespace vrq
