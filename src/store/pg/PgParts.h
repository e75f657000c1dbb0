#pragma once

// The PostgreSQL store's parts, each over the one session. Included by the store's own sources only.

#include "store/AuditRecords.h"
#include "store/CallRecords.h"
#include "store/OrderLedger.h"
#include "store/SiteJobs.h"
#include "store/StoreSchema.h"
#include "store/StoreUnits.h"
#include "store/SummaryQueries.h"
#include "store/ViewerQueries.h"
#include "store/pg/PgSession.h"

#include <unordered_map>

namespace vrq::pg {

// A call inserted inside a unit of work, with no orders or items stored under its key before: the call,
// its orders and their items are held here and written once, with their final counts, message and
// completion, together with the other calls the transaction holds, when anything else goes to the server
// (at the latest when the transaction ends). The intake of a call so costs one round trip, its look-up.
class PgCallRecords final : public CallRecords, private HeldRows {
public:
    explicit PgCallRecords(Session& s) : m_s(s) { m_s.addHeldRows(this); }
    ~PgCallRecords() override { m_s.removeHeldRows(this); }
    PgCallRecords(const PgCallRecords&) = delete;
    PgCallRecords& operator=(const PgCallRecords&) = delete;

    std::optional<CallRow> findCall(int source, int callNumber, Result* result) override;
    std::optional<CallRow> findFirstCallByNumber(int callNumber, Result* result) override;
    Result insertCall(const CallRow& row) override;
    Result raiseNumberOfOrders(int source, int callNumber, int* newCount) override;
    Result insertOrder(const OrderRow& row) override;
    Result raiseNumberOfItems(int source, int callNumber, int orderSeqNumber, int* newCount) override;
    Result insertItem(const ItemRow& row) override;
    Result setOrderMessage(int source, int callNumber, int orderSeqNumber, const QString& message) override;
    Result setPriceOverride(int source, int callNumber, int orderSeqNumber, int itemSeqNumber,
                            int price) override;
    Result setCallComplete(int source, int callNumber, std::optional<bool> goodCall) override;
    void readPendingGroup(const CallCursor& after, int limit, PendingGroup& group, Result* result) override;
    int pendingCallCount(Result* result) override;
    std::vector<OrderRow> ordersOfCall(int source, int callNumber, Result* result) override;
    std::optional<OrderRow> findOrder(int source, int callNumber, int orderSeqNumber,
                                      Result* result) override;
    std::vector<ItemRow> itemsOfOrder(int source, int callNumber, int orderSeqNumber,
                                      Result* result) override;
    Result markExtracted(int source, int callNumber, const QString& fileName, const QDateTime& when) override;
    Result setExtracted(int source, int callNumber, bool extracted) override;
    std::optional<CallRow> nextPurgeableCall(const QDateTime& cutoff, CallCursor& after,
                                             Result* result) override;
    Result deleteCallWithOrders(const CallRow& call) override;
    std::vector<CallRow> allCalls(Result* result) override;
    std::vector<OrderRow> allOrders(Result* result) override;
    std::vector<ItemRow> allItems(Result* result) override;

private:
    struct HeldCall {
        CallRow call;
        std::vector<OrderRow> orders;
        std::vector<ItemRow> items;
        // Where each item is in items, by order and item sequence number: a call may hold very many.
        std::unordered_map<qint64, std::size_t> itemAt;
    };
    void markUnit() override { m_held.markUnit(); }
    void queueHeld(Held which) override;
    void dropHeld(Held which) override { m_held.drop(which); }
    // The call held by the open unit of work with this key, if any: only its rows change in memory.
    HeldCall* held(int source, int callNumber);
    // Whether a call with this key is held (by the open unit or the group).
    bool isHeld(int source, int callNumber) const;
    OrderRow* heldOrder(HeldCall& call, int orderSeqNumber);
    ItemRow* heldItem(HeldCall& call, int orderSeqNumber, int itemSeqNumber);
    Result insertCallNow(const CallRow& row);

    // A key findCall found no call under, and whether orders or items are stored under it: what
    // insertCall needs to know, kept until the next insert.
    struct AbsentCall {
        int source;
        int callNumber;
        bool rowsUnderKey;
    };

    // What one look-up found of the keys from first on: whether a call is stored under each, and
    // whether orders or items are. Calls are taken in mostly in number order, so the intake's look-up
    // of the next call, and the next, are answered from it while this session sends nothing else.
    struct KeyState {
        bool taken;
        bool rowsUnderKey;
    };
    struct LookAhead {
        int source = 0;
        qint64 first = 0;
        std::vector<KeyState> keys;
        quint64 sends = 0; // the session's sends when read
    };
    const KeyState* lookedAhead(int source, int callNumber) const;
    Result lookAhead(int source, int callNumber);

    Session& m_s;
    HeldList<HeldCall> m_held;
    std::optional<AbsentCall> m_absent;
    std::optional<LookAhead> m_ahead;
    std::optional<std::pair<int, int>> m_lastLookUp; // source and number of the last findCall
};

// Entries written while a transaction is open, error entries aside, are held and written together when
// anything else goes to the server: they stand or fall with that transaction. An error entry goes at
// once, so that a refusal reaches its writer (which keeps it while the server is away).
class PgAuditRecords final : public AuditRecords, private HeldRows {
public:
    explicit PgAuditRecords(Session& s) : m_s(s) { m_s.addHeldRows(this); }
    ~PgAuditRecords() override { m_s.removeHeldRows(this); }
    PgAuditRecords(const PgAuditRecords&) = delete;
    PgAuditRecords& operator=(const PgAuditRecords&) = delete;

    Result insertAudit(const AuditRow& row) override;
    Result forEachExportableAudit(const std::function<void(const AuditRow&)>& visit) override;
    Result deleteAuditUpTo(const QDateTime& cutoff) override;
    std::vector<AuditRow> allAudit() override;
    std::vector<AuditRow> auditEntries(const AuditFilter& filter, Result* result) override;
    DayCallCounts callCountsOfDay(const QDate& day, Result* result) override;

private:
    void markUnit() override { m_held.markUnit(); }
    void queueHeld(Held which) override;
    void dropHeld(Held which) override { m_held.drop(which); }

    Session& m_s;
    HeldList<AuditRow> m_held;
};

class PgViewerQueries final : public ViewerQueries {
public:
    explicit PgViewerQueries(Session& s) : m_s(s) {}

    bool sharedByWorkstations() const override { return true; }
    int thisWorkstation() const override { return m_s.workstation(); }
    Result resetDisplayed() override;
    std::vector<CallDisplayRow> retakeAllCompleteCalls(Result* result) override;
    std::vector<CallDisplayRow> takeUndisplayedCompleteCalls(Result* result) override;
    OtherWorkstationCalls otherWorkstationsCompleteCalls(const QString& lastStamp, Result* result) override;
    std::vector<OrderViewRow> ordersOfSalesperson(const QString& salesperson, ViewScope scope,
                                                  Result* result) override;
    std::vector<OrderViewRow> ordersOfCustomer(const QString& customer, ViewScope scope,
                                               Result* result) override;
    std::vector<OrderViewRow> ordersOfDay(const QDate& day, ViewScope scope, Result* result) override;
    std::vector<CallRow> callsBetween(const QDateTime& from, const QDateTime& through, ViewScope scope,
                                      Result* result) override;
    std::vector<OrderRow> ordersOfListedCall(const CallRow& call, Result* result) override;

private:
    Session& m_s;
};

class PgSummaryQueries final : public SummaryQueries {
public:
    explicit PgSummaryQueries(Session& s) : m_s(s) {}

    StoreSummary summary(Result* result) override;
    StoreSummary loggedTimes(Result* result) override;

private:
    Session& m_s;
};

class PgStoreSchema final : public StoreSchema {
public:
    explicit PgStoreSchema(Session& s) : m_s(s) {}

    std::vector<bool> dataConversions() override;
    int schemaVersion() const override;
    Result executeJetDdl(const QString& jetSql) override;
    QStringList columnsOf(const QString& table) const override;
    QStringList primaryKeyOf(const QString& table) const override;

private:
    Session& m_s;
};

class PgStoreUnits final : public StoreUnits {
public:
    explicit PgStoreUnits(Session& s) : m_s(s) {}

    Result begin() override { return m_s.begin(); }
    Result commit() override { return m_s.commit(); }
    void rollback() override { m_s.rollback(); }
    bool inTransaction() const override { return m_s.inTransaction(); }
    Result beginGroup() override { return m_s.beginGroup(); }
    Result endGroup() override { return m_s.endGroup(); }
    void abandonGroup() override { m_s.abandonGroup(); }
    bool inGroup() const override { return m_s.inGroup(); }
    // What a unit of work commits is durable on the server when the commit returns.
    void checkpoint() override {}
    Result writable(WriteTrial trial) override;
    Result reconnect() override { return m_s.reconnect(); }
    Result claimWorkstation() override { return m_s.claimWorkstation(); }
    // A database cannot be moved away from under its connection.
    bool fileMoved() override { return false; }
    void refuseWrites(const QString& reason) override { m_s.refuseWrites(reason); }
    bool refusesWrites() const override { return !m_s.refusal().isEmpty(); }
    Result saveCopy(const QString& path) override;
    QString path() const override { return m_s.where(); }

private:
    Session& m_s;
};

// The site's lock is a lock of the server's held by this session; the purge's date is a row of SiteJobs.
class PgSiteJobs final : public SiteJobs {
public:
    explicit PgSiteJobs(Session& s) : m_s(s) {}

    Result holdSiteLock() override;
    void releaseSiteLock() override;
    std::optional<SitePurge> lastPurge(Result* result) override;
    Result recordPurge(const QDateTime& when) override;

private:
    Session& m_s;
    int m_holds = 0; // how often this program holds the lock now
};

// The ledger's rows and the calls' claims are rows of OrderFileLedger and Calls; a claim is fenced by
// the epoch it was stamped with, from the sequence ClaimEpochs.
class PgOrderLedger final : public OrderLedger {
public:
    explicit PgOrderLedger(Session& s) : m_s(s) {}
    bool keepsLedger() const override { return true; }
    Result registerSystem(int systemId, int lastSeqNum) override;
    QString siteMarker(Result* result) override;
    bool markerPlaced(Result* result) override;
    Result recordMarkerPlaced() override;
    std::vector<ClaimedCall> claimCalls(int limit, bool takeOver, qint64* epoch, Result* result) override;
    std::vector<OrderFileEntry> reserveFiles(qint64 epoch, const std::vector<SiteCallKey>& send,
                                             const std::vector<SiteCallKey>& release, const NameInUse& inUse,
                                             Result* result) override;
    Result markAboutToRename(qint64 epoch, const std::vector<qint64>& ids,
                             std::vector<qint64>* fenced) override;
    Result markDelivered(const OrderFileEntry& file, const QString& fileName, const QDateTime& when) override;
    Result markAbandoned(const OrderFileEntry& file) override;
    Result markSentWithoutFile(const SiteCallKey& call, qint64 epoch, const QDateTime& when) override;
    std::vector<OrderFileEntry> unsettledFiles(int exporter, Result* result) override;
    std::vector<qint64> givenUpFiles(const std::vector<qint64>& ids, Result* result) override;
    std::vector<qint64> settledFiles(const std::vector<qint64>& ids, Result* result) override;
    std::vector<int> otherExporters(Result* result) override;
    Result holdWorkstation(int workstation) override;
    void releaseWorkstation(int workstation) override;
    Result endStaleClaims(int exporter) override;

private:
    Result reserveInTransaction(qint64 epoch, const std::vector<SiteCallKey>& send,
                                const std::vector<SiteCallKey>& release, const NameInUse& inUse,
                                std::vector<OrderFileEntry>& files);

    Session& m_s;
};

} // namespace vrq::pg
