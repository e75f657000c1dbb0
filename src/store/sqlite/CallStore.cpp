// The call store's file, its units of work and its statement cache. The statements themselves live in
// the files named after what uses them (CallRows, AuditRows, DisplayMarks, SchemaUpgrade).
#include "store/sqlite/CallStore.h"

#include "store/sqlite/StoreAttempt.h"
#include "store/sqlite/StoreColumns.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <stdexcept>
#include <unordered_map>

namespace vrq {

Result failureOf(const std::exception& e) {
    if (const auto* sqlError = dynamic_cast<const SQLite::Exception*>(&e)) {
        const int extended = sqlError->getExtendedErrorCode();
        if (extended == SQLITE_CONSTRAINT_PRIMARYKEY || extended == SQLITE_CONSTRAINT_UNIQUE)
            return {Result::Status::Duplicate, kDuplicateKeyError,
                    QStringLiteral("The changes were not made because they would create a duplicate value in "
                                   "the primary key.")};
        return {Result::Status::Failed, extended, QString::fromUtf8(sqlError->what())};
    }
    return {Result::Status::Failed, -1, QString::fromUtf8(e.what())};
}

Result withDiskFullNamed(const Result& failure, int systemErrno) {
    const int primary = failure.code & 0xff;
    const bool full = primary == SQLITE_FULL ||
                      (primary == SQLITE_IOERR && (systemErrno == ENOSPC || systemErrno == EDQUOT));
    if (failure.ok() || !full)
        return failure;
    return {failure.status, failure.code, QStringLiteral("disk full (%1)").arg(failure.message)};
}

// --- the file -------------------------------------------------------------------------------------

struct CallStore::Cache {
    std::unordered_map<std::string, std::unique_ptr<SQLite::Statement>> statements;
    // The same statements by the address of their text (the callers pass literals or texts built
    // once): found without hashing and copying the text on every use; the text is still compared.
    std::unordered_map<const char*, SQLite::Statement*> byAddress;
    // The reads that give many rows, on the engine's own interface (reader), by the address of their
    // text as above.
    std::unordered_map<const char*, std::pair<std::string, std::unique_ptr<RowReader>>> readers;
    // The line items' insert, run once per item, kept at hand (atHand).
    const char* atHandSql = nullptr;
    SQLite::Statement* atHand = nullptr;

    void clear() {
        atHandSql = nullptr;
        atHand = nullptr;
        readers.clear();
        byAddress.clear();
        statements.clear();
    }
};

CallStore::CallStore(std::unique_ptr<SQLite::Database> db)
    : m_db(std::move(db)), m_cache(std::make_unique<Cache>()) {}

CallStore::~CallStore() {
    m_cache.reset();
    rollback();
}

Result CallStore::diskFullNamed(const Result& failure) const {
    return withDiskFullNamed(failure, sqlite3_system_errno(m_db->getHandle()));
}

Result CallStore::refused() const {
    return Result::failure(SQLITE_READONLY, m_refusal);
}

SQLite::Database& CallStore::database() {
    bestEffort([&] { saveCounters(); }); // a failure is met again when the unit of work ends
    return *m_db;
}

namespace {

// The engine's "file is not a database" and "database disk image is malformed": the file is damaged, and
// the person needs to hear what to do about it. A full disk is named as such.
Result explainDamage(const Result& opened) {
    const int primary = opened.code & 0xff;
    if (opened.ok() || (primary != SQLITE_CORRUPT && primary != SQLITE_NOTADB))
        return withDiskFullNamed(opened, 0);
    return Result::failure(
        opened.code, QStringLiteral("the file is damaged (%1). Restore it from a backup, or move it aside "
                                    "so that the program makes a new, empty call store at its next start.")
                         .arg(opened.message));
}

// The engine's memory statistics take a lock and count on every allocation, and nothing here reads them
// (about a tenth of an intake's instructions). They can be turned off only before the engine's first use
// in the process; later the call is refused and changes nothing.
void leaveOutMemoryStatistics() {
    static const int refused = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    (void)refused;
}

} // namespace

std::unique_ptr<CallStore> CallStore::open(const QString& path, Result* result) {
    leaveOutMemoryStatistics();
    std::unique_ptr<CallStore> store;
    const Result opened = attempt([&] {
        const bool isNew = !QFileInfo::exists(path);
        // One thread uses a store: the engine's own locking of the connection is left out.
        auto db = std::make_unique<SQLite::Database>(
            path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE | SQLite::OPEN_NOMUTEX);
        db->setBusyTimeout(15000);
        db->exec("PRAGMA journal_mode=WAL");
        db->exec("PRAGMA synchronous=NORMAL");
        // The journal of a statement that changes several rows, and any temporary table, in memory
        // rather than in a temporary file outside the program's folders; the write-ahead log alone
        // makes the store durable.
        db->exec("PRAGMA temp_store=MEMORY");
        // An intake's groups fill the log quickly: at the engine's 1,000 pages it would copy them into the
        // file, with two flushes, every few groups (88 flushes for 20,000 calls). At 10,000 pages (40 MB)
        // the intake's own checkpoint before it moves its input away does most of that once. No commit
        // point moves: each group is in the log when it is committed, as before.
        db->exec("PRAGMA wal_autocheckpoint=10000");
        store.reset(new CallStore(std::move(db)));
        store->m_path = path;
        if (isNew || !store->m_db->tableExists("Calls"))
            store->createBaseTables();
        store->ensureIndexes();
    });
    if (result)
        *result = explainDamage(opened);
    if (!opened.ok())
        return nullptr;
    return store;
}

std::unique_ptr<CallStore> CallStore::openForReading(const QString& path, Result* result) {
    if (!QFileInfo(path).isFile()) {
        if (result)
            *result = Result::failure(QStringLiteral("There is no call store at %1.").arg(path));
        return nullptr;
    }
    leaveOutMemoryStatistics();
    std::unique_ptr<CallStore> store;
    const Result opened = attempt([&] {
        auto db = std::make_unique<SQLite::Database>(path.toStdString(), SQLite::OPEN_READONLY);
        db->setBusyTimeout(15000);
        if (!db->tableExists("Calls") || !db->tableExists("Orders"))
            throw std::runtime_error("the file holds no Calls and Orders tables");
        store.reset(new CallStore(std::move(db)));
        store->m_path = path;
    });
    if (result)
        *result = explainDamage(opened);
    if (!opened.ok())
        return nullptr;
    return store;
}

void CallStore::writeCountersFirst() {
    saveCounters();
    m_keyFree.reset();
}

SQLite::Statement& CallStore::prepared(const char* sql, bool keepsCounters) {
    if (!keepsCounters)
        writeCountersFirst();
    return cached(sql);
}

SQLite::Statement& CallStore::cached(const char* sql) {
    requireGroupTransaction();
    const auto known = m_cache->byAddress.find(sql);
    if (known != m_cache->byAddress.end() && known->second->getQuery() == sql)
        return *known->second;
    auto& slot = m_cache->statements[sql];
    if (!slot)
        slot = std::make_unique<SQLite::Statement>(*m_db, sql);
    m_cache->byAddress[sql] = slot.get();
    return *slot;
}

RowReader& CallStore::reader(const char* sql) {
    writeCountersFirst();
    requireGroupTransaction();
    auto& [text, kept] = m_cache->readers[sql];
    if (!kept || text != sql) {
        kept = std::make_unique<RowReader>(m_db->getHandle(), sql);
        text = sql;
    }
    return *kept;
}

SQLite::Statement& CallStore::atHand(const char* sql) {
    requireGroupTransaction();
    if (m_cache->atHandSql != sql) {
        m_cache->atHand = &cached(sql);
        m_cache->atHandSql = sql;
    }
    return *m_cache->atHand;
}

void CallStore::forgetPrepared() {
    saveCounters();
    m_cache->clear();
}

// --- counters counted in memory -------------------------------------------------------------------

namespace {
const char* const kSaveOrdersOfCall =
    "UPDATE Calls SET NumberOfOrders = ? WHERE Source = ? AND CallNumber = ?";
const char* const kSaveItemsOfOrder =
    "UPDATE Orders SET NumberOfItems = ? WHERE Source = ? AND CallNumber = ? "
    "AND OrderSeqNumber = ?";
const char* const kSaveItemsAndMessageOfOrder =
    "UPDATE Orders SET NumberOfItems = ?, Message = ? WHERE Source = ? AND CallNumber = ? "
    "AND OrderSeqNumber = ?";
} // namespace

bool CallStore::raiseKnown(std::optional<Counter>& counter, int source, int callNumber, int orderSeqNumber,
                           int* newCount) {
    if (!counter || !counter->counts(source, callNumber, orderSeqNumber) || !inTransaction())
        return false;
    ++counter->count;
    counter->unsaved = true;
    if (newCount)
        *newCount = counter->count;
    return true;
}

void CallStore::know(std::optional<Counter>& counter, int source, int callNumber, int orderSeqNumber,
                     int count) {
    if (inTransaction())
        startCounter(counter, source, callNumber, orderSeqNumber, count);
}

CallStore::Counter& CallStore::startCounter(std::optional<Counter>& counter, int source, int callNumber,
                                            int orderSeqNumber, int count) {
    // Made in place: assigning a whole new one makes some compilers see its texts as uninitialized.
    Counter& started = counter.emplace();
    started.source = source;
    started.callNumber = callNumber;
    started.orderSeqNumber = orderSeqNumber;
    started.count = count;
    return started;
}

void CallStore::saveCounter(std::optional<Counter>& counter) {
    if (!counter)
        return;
    if (counter->heldCall) {
        // Forgotten before the insert, as an order below.
        CallRow row = std::move(*counter->heldCall);
        row.numberOfOrders = counter->count;
        counter.reset();
        insertCallRow(row);
        return;
    }
    if (counter->heldOrder) {
        // Forgotten before the insert: one that fails would fail again at every later statement.
        OrderRow row = std::move(*counter->heldOrder);
        row.numberOfItems = counter->count;
        if (counter->message)
            row.message = *counter->message;
        counter.reset();
        insertOrderRow(row);
        return;
    }
    if (counter->unsaved) {
        const bool itemsOfOrder = &counter == &m_itemsOfOrder;
        const bool withMessage = itemsOfOrder && counter->message;
        SQLite::Statement& st = cached(withMessage    ? kSaveItemsAndMessageOfOrder
                                       : itemsOfOrder ? kSaveItemsOfOrder
                                                      : kSaveOrdersOfCall);
        int index = 0;
        st.bind(++index, counter->count);
        if (withMessage)
            bindValue(st, ++index, *counter->message);
        st.bind(++index, counter->source);
        st.bind(++index, counter->callNumber);
        if (itemsOfOrder)
            st.bind(++index, counter->orderSeqNumber);
        try {
            st.exec();
        } catch (...) {
            st.reset();
            throw; // the counter is kept, and written again before the unit of work ends
        }
        st.reset();
    }
    counter.reset();
}

void CallStore::saveCounters() {
    saveCounter(m_ordersOfCall);
    saveCounter(m_itemsOfOrder);
}

void CallStore::forgetCounters() {
    m_ordersOfCall.reset();
    m_itemsOfOrder.reset();
}

// --- units of work --------------------------------------------------------------------------------

void CallStore::runKept(const char* sql) {
    // Kept prepared like any other statement: parsing these texts anew twice per call taken in (or
    // per order file) was a measurable part of the engine's work.
    SQLite::Statement& st = cached(sql);
    try {
        st.exec();
    } catch (...) {
        st.reset();
        throw;
    }
    st.reset();
}

Result CallStore::begin() {
    if (!m_groupOpen)
        m_keyFree.reset(); // a transaction of its own begins: a look-up before it says nothing
    if (!m_refusal.isEmpty())
        return refused();
    if (m_groupUndone)
        return groupUndone();
    return diskFullNamed(attempt([&] {
        saveCounters();
        if (m_groupOpen)
            m_unitOpen = true; // no savepoint: undoing the unit undoes the group (undoGroup)
        else
            runKept("BEGIN IMMEDIATE");
    }));
}

Result CallStore::commit() {
    if (!m_groupOpen)
        m_keyFree.reset();
    if (m_groupUndone)
        return groupUndone();
    return diskFullNamed(attempt([&] {
        saveCounters();
        if (m_groupOpen) {
            if (!m_unitOpen)
                return Result{Result::Status::Failed, 1, QStringLiteral("the unit of work was undone")};
            requireGroupTransaction();
            m_unitOpen = false;
        } else {
            runKept("COMMIT");
        }
        return Result::success();
    }));
}

void CallStore::rollback() {
    m_keyFree.reset();
    forgetCounters();
    if (m_groupOpen) {
        if (m_unitOpen)
            undoGroup();
        return;
    }
    if (inTransaction())
        bestEffort([&] { m_db->exec("ROLLBACK"); });
}

// A unit of a group has no savepoint of its own: the engine copies every page a savepoint changes aside
// first, which cost about six per cent of an intake's work. A unit undone takes the whole
// group with it, as a stop would; until the group is ended or abandoned no unit begins in its place, so
// that nothing its caller still takes for the group is written outside it.
void CallStore::undoGroup() {
    m_groupOpen = false;
    m_unitOpen = false;
    m_groupUndone = true;
    if (inTransaction())
        bestEffort([&] { m_db->exec("ROLLBACK"); });
}

Result CallStore::groupUndone() const {
    return Result::failure(
        QStringLiteral("the group of calls was undone with a call that could not be stored"));
}

void CallStore::requireGroupTransaction() const {
    // The engine ends a transaction itself after some failures (a full disk, an I/O error): what the
    // group's units write next would then be kept one statement at a time.
    if (m_groupOpen && sqlite3_get_autocommit(m_db->getHandle()) != 0)
        throw std::runtime_error("the store ended the transaction of the calls being stored after a failure");
}

Result CallStore::beginGroup() {
    m_keyFree.reset();
    m_groupUndone = false;
    if (!m_refusal.isEmpty())
        return refused();
    return diskFullNamed(attempt([&] {
        runKept("BEGIN IMMEDIATE");
        m_groupOpen = true;
        m_unitOpen = false;
    }));
}

void CallStore::abandonGroup() {
    forgetCounters();
    m_keyFree.reset();
    m_groupUndone = false;
    if (!m_groupOpen)
        return;
    m_groupOpen = false;
    m_unitOpen = false;
    bestEffort([&] { m_db->exec("ROLLBACK"); });
}

Result CallStore::endGroup() {
    m_keyFree.reset();
    if (m_groupUndone) {
        m_groupUndone = false;
        return groupUndone();
    }
    if (!m_groupOpen)
        return Result::success();
    Result committed = diskFullNamed(attempt([&] {
        saveCounters(); // while the group is open: not written when the engine has ended it
        m_groupOpen = false;
        runKept("COMMIT");
    }));
    m_groupOpen = false;
    m_unitOpen = false;
    if (!committed.ok()) {
        forgetCounters();
        bestEffort([&] { m_db->exec("ROLLBACK"); });
    }
    return committed;
}

bool CallStore::inTransaction() const {
    return sqlite3_get_autocommit(m_db->getHandle()) == 0;
}

void CallStore::checkpoint() {
    bestEffort([&] { m_db->exec("PRAGMA wal_checkpoint(PASSIVE)"); });
}

// --- whether writes are kept ----------------------------------------------------------------------

Result CallStore::writable(Trial trial) {
    if (!m_refusal.isEmpty())
        return refused();
    // The engine opens a file it may not write read-only, without a word; each write then fails.
    if (sqlite3_db_readonly(m_db->getHandle(), "main") == 1)
        return Result::failure(
            SQLITE_READONLY,
            QStringLiteral("%1 cannot be written (attempt to write a readonly database): make "
                           "it and its folder writable for this user, then restart the program")
                .arg(QDir::toNativeSeparators(m_path)));
    if (fileMoved())
        return Result::failure(SQLITE_READONLY,
                               QStringLiteral("%1 was deleted or replaced while the program ran")
                                   .arg(QDir::toNativeSeparators(m_path)));
    if (trial == Trial::None || inTransaction())
        return Result::success();
    // A write that touches no row, undone at once: what refuses it would refuse a call.
    const Result tried = diskFullNamed(attempt([&] {
        runKept("BEGIN IMMEDIATE");
        try {
            runKept("UPDATE Calls SET Source = Source WHERE 0");
        } catch (...) {
            bestEffort([&] { m_db->exec("ROLLBACK"); });
            throw;
        }
        m_db->exec("ROLLBACK");
    }));
    // A store busy with another program's write is no refusal: the unit of work waits and says so itself.
    const int primary = tried.code & 0xff;
    if (tried.ok() || primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return Result::success();
    return Result::failure(
        tried.code,
        QStringLiteral("%1 cannot be written (%2)").arg(QDir::toNativeSeparators(m_path), tried.message));
}

bool CallStore::fileMoved() {
    int moved = 0;
    // The engine compares the file it holds open with the one the path names now.
    if (sqlite3_file_control(m_db->getHandle(), "main", SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK)
        return false;
    return moved != 0;
}

void CallStore::refuseWrites(const QString& reason) {
    m_refusal = reason;
}

Result CallStore::saveCopy(const QString& path) {
    return diskFullNamed(attempt([&] {
        SQLite::Statement st(*m_db, "VACUUM INTO ?");
        bindValue(st, 1, path);
        st.exec();
    }));
}

} // namespace vrq
