#pragma once

#include "platform/Result.h"
#include "store/StoreRecords.h"
#include "store/StoreSchema.h"
#include "store/StoreUnits.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace SQLite {
class Database;
class Statement;
} // namespace SQLite

namespace vrq {

template <typename Row> class RowSelect;
class RowReader;

// Calls.NumberOfOrders of the call and Orders.NumberOfItems of the order being stored in the open
// unit of work, known from their insert or first raise: while only rows that cannot touch them are
// inserted (audit entries, orders, line items), the next raises are counted here, and the counts
// reach the tables before any other statement runs and before the unit of work ends. The order's
// message is kept with its count the same way, and the call's count goes with its Complete update.
// An order inserted in a unit of work is itself held here until then, and written once, with its
// final count and message. (Outside the class: a nested one with member defaults is not yet
// default-constructible where the class declares its optional members, for some compilers.)
struct CallStoreCounter {
    int source = 0;
    int callNumber = 0;
    int orderSeqNumber = 0; // 0 for the call's
    int count = 0;
    bool unsaved = false;
    // Orders.Message set in the same unit of work, written with the count.
    std::optional<QString> message{};
    std::optional<OrderRow> heldOrder{};
    // The call itself, held the same way until its Complete update, and then written once.
    std::optional<CallRow> heldCall{};
    // The call's: whether orders were stored under its key before this unit of work (asked at its
    // first order), and the highest order number it has inserted or held since.
    std::optional<bool> ordersBefore{};
    int highestOrder = 0;
    bool counts(int s, int c, int o) const { return source == s && callNumber == c && orderSeqNumber == o; }
};

// The call store: CallsAndOrders.db with Calls, Orders, OrderLineItems and Audit. Every statement the
// program runs against it lives here, prepared once and reused with bound values. One class, its
// sources split by what uses them: CallStore.cpp (opening, units of work, the statement cache),
// SchemaUpgrade.cpp, AuditRows.cpp, CallRows.cpp (calls, orders and line items) and DisplayMarks.cpp
// (the calls window); StoreAttempt.h and StoreColumns.h are the helpers they share.
class CallStore {
public:
    // Opens (creating with the three base tables when new) the store file. nullptr and a message on failure.
    static std::unique_ptr<CallStore> open(const QString& path, Result* result = nullptr);
    // Opens an existing store file for reading only: nothing is created, upgraded or written. nullptr and
    // the failure when the file is missing, unreadable or holds no Calls table.
    static std::unique_ptr<CallStore> openForReading(const QString& path, Result* result = nullptr);
    ~CallStore();
    CallStore(const CallStore&) = delete;
    CallStore& operator=(const CallStore&) = delete;

    // --- schema (SchemaUpgrade.cpp) -------------------------------------------------------------
    // The start-up upgrade: the fourteen statements of the old program through the DDL translator,
    // each failure ignored. Returns, per statement run, whether it succeeded (for tests). A store the
    // upgrade has left in its final form is marked with kFinalSchemaVersion; on such a store nothing is
    // run and every statement is reported as failed, as each would (its table or column is there).
    std::vector<bool> dataConversions();
    static constexpr int kFinalSchemaVersion = StoreSchema::kFinalSchemaVersion;
    // The store's schema version: 0 until an upgrade found its tables, columns, keys and indexes final.
    int schemaVersion() const;
    // Runs one statement of the old engine's DDL dialect. False when it fails (or is not understood).
    Result executeJetDdl(const QString& jetSql);
    QStringList columnsOf(const QString& table) const;
    QStringList primaryKeyOf(const QString& table) const;

    // --- units of work --------------------------------------------------------------------------
    // One call taken in, one export of a call, one purged call: all or nothing.
    Result begin();
    Result commit();
    void rollback();
    bool inTransaction() const;
    // A group of units committed together, reaching the file at endGroup. A stop before that undoes the
    // whole group, never part of a unit; callers keep their input until the group is ended. A unit has
    // no savepoint of its own: one undone (or whose commit fails) undoes the whole group, after which
    // no unit begins and endGroup fails until the group is ended or abandoned.
    Result beginGroup();
    Result endGroup();
    // Undoes the whole group, as a stop would.
    void abandonGroup();
    bool inGroup() const { return m_groupOpen; }
    // Syncs the write-ahead log to the disk, before an input file is moved away.
    void checkpoint();

    // --- whether writes are kept -----------------------------------------------------------------
    // Whether the store keeps what is written to it now; the failure says why not, for the person: a
    // file the engine opened read-only (this user cannot write it or its folder), a file moved away
    // (fileMoved), writes refused with refuseWrites, and with Trial::Write a write the engine refuses
    // (it takes the write lock for a moment and changes nothing; a lock held by another program is no
    // refusal). Inside a unit of work no write is tried.
    using Trial = WriteTrial;
    Result writable(Trial trial = Trial::None);
    // True when the path the store was opened from no longer names the file in use: deleted, renamed
    // or replaced while the program ran. What is written then never reaches the file at the path.
    bool fileMoved();
    // From now on every unit of work, group and audit entry fails with this reason.
    void refuseWrites(const QString& reason);
    bool refusesWrites() const { return !m_refusal.isEmpty(); }
    // Writes everything the store holds, as one consistent state, to a new file at path.
    Result saveCopy(const QString& path);
    const QString& path() const { return m_path; }

    // --- audit (AuditRows.cpp) ------------------------------------------------------------------
    Result insertAudit(const AuditRow& row);
    Result forEachExportableAudit(const std::function<void(const AuditRow&)>& visit);
    Result deleteAuditUpTo(const QDateTime& cutoff);
    std::vector<AuditRow> allAudit(); // natural order; tests and tools
    // The entries the filter lets through, by AuditDNT and Seq (newest or oldest first).
    std::vector<AuditRow> auditEntries(const AuditFilter& filter, Result* result = nullptr);
    // The calls taken in on this day, good and bad.
    DayCallCounts callCountsOfDay(const QDate& day, Result* result = nullptr);

    // --- intake (CallRows.cpp, as are export, purge and the viewers) ----------------------------
    std::optional<CallRow> findCall(int source, int callNumber, Result* result = nullptr);
    // First row with this number whatever its source (the older dialects complete calls this way).
    std::optional<CallRow> findFirstCallByNumber(int callNumber, Result* result = nullptr);
    Result insertCall(const CallRow& row);
    // Raises Calls.NumberOfOrders by one and gives the new value.
    Result raiseNumberOfOrders(int source, int callNumber, int* newCount);
    Result insertOrder(const OrderRow& row);
    // Raises Orders.NumberOfItems by one and gives the new value.
    Result raiseNumberOfItems(int source, int callNumber, int orderSeqNumber, int* newCount);
    Result insertItem(const ItemRow& row);
    Result setOrderMessage(int source, int callNumber, int orderSeqNumber, const QString& message);
    Result setPriceOverride(int source, int callNumber, int orderSeqNumber, int itemSeqNumber, int price);
    // Complete = True, and GoodCall when given.
    Result setCallComplete(int source, int callNumber, std::optional<bool> goodCall = std::nullopt);

    // --- export ---------------------------------------------------------------------------------
    // Up to limit calls after the cursor (rowid order) that are good, complete and not extracted, with
    // their orders and line items: read together, as one state of the file, into group (whose rows are
    // read into again). After a failure the group holds none.
    void readPendingGroup(const CallCursor& after, int limit, PendingGroup& group, Result* result = nullptr);
    // How many calls are good, complete and not extracted: the calls still to be sent.
    int pendingCallCount(Result* result = nullptr);
    std::vector<OrderRow> ordersOfCall(int source, int callNumber, Result* result = nullptr);
    std::optional<OrderRow> findOrder(int source, int callNumber, int orderSeqNumber,
                                      Result* result = nullptr);
    std::vector<ItemRow> itemsOfOrder(int source, int callNumber, int orderSeqNumber,
                                      Result* result = nullptr);
    Result markExtracted(int source, int callNumber, const QString& fileName, const QDateTime& when);
    Result setExtracted(int source, int callNumber, bool extracted);

    // --- calls window (DisplayMarks.cpp) --------------------------------------------------------
    // Displayed = False for every row, Source = 0 where it is Null.
    Result resetDisplayed();
    // Every complete row not yet displayed, in natural order, marked displayed in the same step.
    // What resetDisplayed followed by takeUndisplayedCompleteCalls gives, in one pass that writes only
    // the rows whose mark changes (none, when the window shows the same calls as last time).
    std::vector<CallDisplayRow> retakeAllCompleteCalls(Result* result = nullptr);
    std::vector<CallDisplayRow> takeUndisplayedCompleteCalls(Result* result = nullptr);

    // --- purge ----------------------------------------------------------------------------------
    // The next call after the cursor that is complete, at or before the cut-off, and bad or extracted;
    // the cursor is moved past it.
    std::optional<CallRow> nextPurgeableCall(const QDateTime& cutoff, CallCursor& after,
                                             Result* result = nullptr);
    // Deletes the call's orders, then its line items, then the call row.
    Result deleteCallWithOrders(int source, int callNumber);

    // --- about box (StoreSummary.cpp) -----------------------------------------------------------
    StoreSummary summary(Result* result = nullptr);
    // The summary's times alone (calls left at 0): what the status line needs at start-up.
    StoreSummary loggedTimes(Result* result = nullptr);

    // --- order views and the list of calls (ViewerRows.cpp) --------------------------------------
    // Every order whose Salesperson (Customer) is exactly the text given, blanks and letter case
    // included, with its call (same source and number), in the calls' natural order and then by order.
    std::vector<OrderViewRow> ordersOfSalesperson(const QString& salesperson, Result* result = nullptr);
    std::vector<OrderViewRow> ordersOfCustomer(const QString& customer, Result* result = nullptr);
    // Every order of the calls made from midnight of day up to, not including, midnight of the next.
    std::vector<OrderViewRow> ordersOfDay(const QDate& day, Result* result = nullptr);
    // The calls with from <= CallDNT <= through, by CallDNT (then natural order).
    std::vector<CallRow> callsBetween(const QDateTime& from, const QDateTime& through,
                                      Result* result = nullptr);

    // --- viewers and tests ----------------------------------------------------------------------
    std::vector<CallRow> allCalls(Result* result = nullptr);
    std::vector<OrderRow> allOrders(Result* result = nullptr);
    std::vector<ItemRow> allItems(Result* result = nullptr);

    SQLite::Database& database();

private:
    // Reads the calls of the select and runs the mark, in one write transaction.
    std::vector<CallDisplayRow> takeCallsForDisplay(const RowSelect<CallDisplayRow>& select, const char* mark,
                                                    Result* result);
    explicit CallStore(std::unique_ptr<SQLite::Database> db);
    // A failed operation with a full disk named as such (the engine's system error tells).
    Result diskFullNamed(const Result& failure) const;
    // The failure of a write while writes are refused (refuseWrites).
    Result refused() const;
    // The statement for this text, prepared on its first use and kept for the next. The counters
    // counted in memory are written first, unless the statement cannot read or change them.
    SQLite::Statement& prepared(const char* sql, bool keepsCounters = false);
    SQLite::Statement& cached(const char* sql);
    // A read that gives many rows, prepared on its first use and kept, read on the engine's own
    // interface; the counters counted in memory are written first, as by prepared.
    RowReader& reader(const char* sql);
    // The same for the one statement run most often (the line items' insert), kept at hand without a
    // look-up: sql must live as long as the store, as a static statement's text does.
    SQLite::Statement& atHand(const char* sql);
    // Writes the counters counted in memory, if any, and forgets them; throws as a statement does.
    void saveCounters();
    // Before a statement that may read or change what is counted in memory: saveCounters, and the last
    // look-up's free key forgotten.
    void writeCountersFirst();
    // Undoes the open group with a unit of it (see beginGroup).
    void undoGroup();
    // The failure of a unit or group end after undoGroup.
    Result groupUndone() const;
    // Throws when the engine has ended the open group's transaction by itself (after a full disk or
    // an I/O error), before a statement of the group would run outside it.
    void requireGroupTransaction() const;
    // Runs a kept statement that gives no rows (the texts that begin and end units of work).
    void runKept(const char* sql);
    // Drops every kept statement (before the schema changes under them).
    void forgetPrepared();
    void createBaseTables();
    void ensureIndexes();
    bool runUpgradeStep(const QString& jetSql);
    void fillMissingSources(const QString& table);
    // Whether every table has the columns, in order, and the key the upgrade gives it, and every index.
    bool hasFinalForm() const;

    std::unique_ptr<SQLite::Database> m_db;
    QString m_path;
    QString m_refusal; // why writes are refused (refuseWrites); empty while they are not
    bool m_groupOpen = false;
    bool m_unitOpen = false;    // a unit of work inside the group
    bool m_groupUndone = false; // by undoGroup, until the group is ended or abandoned
    // What CallStoreCounter (above the class) holds for the call and the order being stored.
    using Counter = CallStoreCounter;
    std::optional<Counter> m_ordersOfCall;
    std::optional<Counter> m_itemsOfOrder;
    // A raise counted in memory when the counter is known; false when the statements must run.
    bool raiseKnown(std::optional<Counter>& counter, int source, int callNumber, int orderSeqNumber,
                    int* newCount);
    // Keeps the counter for the next raises, in a unit of work only.
    void know(std::optional<Counter>& counter, int source, int callNumber, int orderSeqNumber, int count);
    static Counter& startCounter(std::optional<Counter>& counter, int source, int callNumber,
                                 int orderSeqNumber, int count);
    // Writes one counter (either member above) if counted in memory, and forgets it.
    void saveCounter(std::optional<Counter>& counter);
    void insertOrderRow(const OrderRow& row);
    // Whether the order may be held: its insert could not fail now (no row under its key, its texts
    // within their columns), so holding it changes nothing but when it is written.
    bool mayHoldOrder(const OrderRow& row);
    // The same for a call: its key was looked up just before, inside this transaction, and found free
    // (the intake looks every call up before it takes it in).
    bool mayHoldCall(const CallRow& row);
    void insertCallRow(const CallRow& row);
    struct CallKeyFree {
        int source = 0;
        int callNumber = 0;
    };
    std::optional<CallKeyFree> m_keyFree; // the last look-up's, until another statement runs
    void forgetCounters();
    struct Cache;
    std::unique_ptr<Cache> m_cache;
};

// A failure of the engine as the person should read it: a disk that is full (the engine's SQLITE_FULL,
// or an I/O error whose system error is ENOSPC or EDQUOT) is called so instead of "disk I/O error".
Result withDiskFullNamed(const Result& failure, int systemErrno);

} // namespace vrq
