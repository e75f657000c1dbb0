#include "store/CallStore.h"

#include "store/JetDdl.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace vrq {

namespace {

const char* const kDateFormat = "yyyy-MM-dd HH:mm:ss";

StoreResult fromException(const std::exception& e) {
    if (const auto* sqlError = dynamic_cast<const SQLite::Exception*>(&e)) {
        const int extended = sqlError->getExtendedErrorCode();
        if (extended == SQLITE_CONSTRAINT_PRIMARYKEY || extended == SQLITE_CONSTRAINT_UNIQUE)
            return {StoreStatus::Duplicate, kDuplicateKeyError,
                    QStringLiteral("The changes were not made because they would create a duplicate value in "
                                   "the primary key.")};
        return {StoreStatus::Error, extended, QString::fromUtf8(sqlError->what())};
    }
    return {StoreStatus::Error, -1, QString::fromUtf8(e.what())};
}

// Resets a cached statement when the operation using it ends, so no read stays open.
class Use {
public:
    explicit Use(SQLite::Statement& st) : m_st(st) {}
    ~Use() {
        try {
            m_st.reset();
            m_st.clearBindings();
        } catch (...) {
        }
    }
    SQLite::Statement* operator->() { return &m_st; }
    SQLite::Statement& operator*() { return m_st; }

private:
    SQLite::Statement& m_st;
};

void bindText(SQLite::Statement& st, int index, const QString& text) {
    st.bind(index, text.toStdString());
}

void bindDate(SQLite::Statement& st, int index, const QDateTime& dt) {
    if (dt.isValid())
        st.bind(index, storeDateText(dt).toStdString());
    else
        st.bind(index);
}

void bindOptional(SQLite::Statement& st, int index, const std::optional<int>& v) {
    if (v)
        st.bind(index, *v);
    else
        st.bind(index);
}

QString textColumn(const SQLite::Column& c) {
    return QString::fromUtf8(c.getText());
}

std::optional<int> optionalInt(const SQLite::Column& c) {
    if (c.isNull())
        return std::nullopt;
    return c.getInt();
}

// A number column as a 32-bit integer: a value with a fraction goes to the nearest whole number,
// halves to the even neighbour; values beyond the range are held at its limits.
int wholeNumber(const SQLite::Column& c) {
    if (c.getType() != SQLITE_FLOAT)
        return static_cast<int>(std::clamp<int64_t>(c.getInt64(), INT32_MIN, INT32_MAX));
    const double rounded = std::nearbyint(c.getDouble()); // the default rounding mode: halves to even
    return static_cast<int>(
        std::clamp(rounded, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)));
}

QDateTime dateColumn(const SQLite::Column& c) {
    if (c.isNull())
        return {};
    return storeDateFromText(textColumn(c));
}

#define CALL_COLUMNS                                                                                         \
    "rowid, Source, CallNumber, CallDNT, GoodCall, Complete, ExtractedCall, ExtractedFileName, "             \
    "ExtractedDNT, "                                                                                         \
    "NumberOfOrders, Displayed, LineNumber, Hour, BadReason, BadData, NumBytes"

CallRow readCall(SQLite::Statement& st) {
    CallRow row;
    row.rowId = st.getColumn(0).getInt64();
    row.source = st.getColumn(1).getInt();
    row.callNumber = st.getColumn(2).getInt();
    row.callDnt = dateColumn(st.getColumn(3));
    row.goodCall = st.getColumn(4).getInt() != 0;
    row.complete = st.getColumn(5).getInt() != 0;
    row.extractedCall = st.getColumn(6).getInt() != 0;
    row.extractedFileName = textColumn(st.getColumn(7));
    row.extractedDnt = dateColumn(st.getColumn(8));
    row.numberOfOrders = st.getColumn(9).getInt();
    row.displayed = st.getColumn(10).getInt() != 0;
    row.lineNumber = optionalInt(st.getColumn(11));
    row.hour = optionalInt(st.getColumn(12));
    row.badReason = optionalInt(st.getColumn(13));
    row.badData = optionalInt(st.getColumn(14));
    row.numBytes = optionalInt(st.getColumn(15));
    return row;
}

#define ORDER_COLUMNS                                                                                        \
    "Source, CallNumber, OrderSeqNumber, Salesperson, Customer, ShipTo, Route, Message, NumberOfItems"

OrderRow readOrder(SQLite::Statement& st) {
    OrderRow row;
    row.source = st.getColumn(0).getInt();
    row.callNumber = st.getColumn(1).getInt();
    row.orderSeqNumber = st.getColumn(2).getInt();
    row.salesperson = textColumn(st.getColumn(3));
    row.customer = textColumn(st.getColumn(4));
    if (!st.getColumn(5).isNull())
        row.shipTo = textColumn(st.getColumn(5));
    row.route = textColumn(st.getColumn(6));
    row.message = textColumn(st.getColumn(7));
    row.numberOfItems = st.getColumn(8).getInt();
    for (int column : {3, 4, 6, 7}) {
        if (st.getColumn(column).isNull())
            row.nullColumns.append(QString::fromUtf8(st.getColumnName(column)));
    }
    return row;
}

#define ITEM_COLUMNS                                                                                         \
    "Source, CallNumber, OrderSeqNumber, ItemSeqNumber, ItemNumber, Quantity, Unit, DiscountPercent, "       \
    "PriceOverride"

ItemRow readItem(SQLite::Statement& st) {
    ItemRow row;
    row.source = st.getColumn(0).getInt();
    row.callNumber = st.getColumn(1).getInt();
    row.orderSeqNumber = st.getColumn(2).getInt();
    row.itemSeqNumber = st.getColumn(3).getInt();
    row.itemNumber = textColumn(st.getColumn(4));
    row.quantity = wholeNumber(st.getColumn(5));
    row.unit = wholeNumber(st.getColumn(6));
    row.discountPercent = wholeNumber(st.getColumn(7));
    row.priceOverride = wholeNumber(st.getColumn(8));
    for (int column = 4; column <= 8; ++column) {
        if (st.getColumn(column).isNull())
            row.nullColumns.append(QString::fromUtf8(st.getColumnName(column)));
    }
    return row;
}

AuditRow readAudit(SQLite::Statement& st) {
    AuditRow row;
    row.auditDnt = dateColumn(st.getColumn(0));
    row.eventDnt = dateColumn(st.getColumn(1));
    row.type = textColumn(st.getColumn(2));
    row.msg = textColumn(st.getColumn(3));
    if (!st.getColumn(4).isNull())
        row.seq = st.getColumn(4).getInt64();
    if (!st.getColumn(5).isNull())
        row.instance = textColumn(st.getColumn(5));
    return row;
}

// The statements of the start-up upgrade, exactly as the old program ran them.
const char* const kUpgradeAudit[] = {
    "Create Table Audit (AuditDNT DATE, EventDNT DATE, Type TEXT(1), Msg TEXT(150))",
    "Alter Table Audit ADD COLUMN Seq NUMBER",
    "Alter Table Audit ADD COLUMN Instance TEXT(1)",
    "Alter Table Calls ADD COLUMN LineNumber NUMBER",
    "Alter Table Calls ADD COLUMN Hour NUMBER",
    "Alter Table Calls ADD COLUMN BadReason NUMBER",
    "Alter Table Calls ADD COLUMN BadData NUMBER",
    "Alter Table Calls ADD COLUMN NumBytes NUMBER",
    "Alter Table Calls ADD COLUMN Salesperson TEXT(6)",
    "Alter Table Calls ADD COLUMN Customer TEXT(8)",
};

struct SourceStep {
    const char* addColumn;
    const char* table;
    const char* dropKey;
    const char* addKey;
};

const SourceStep kSourceSteps[] = {
    {"Alter Table Calls ADD COLUMN Source NUMBER", "Calls", "ALTER TABLE Calls DROP CONSTRAINT PrimaryKey ",
     "ALTER TABLE Calls add CONSTRAINT PrimaryKey PRIMARY KEY (Source, CallNumber)"},
    {"Alter Table Orders ADD COLUMN Source NUMBER", "Orders",
     "ALTER TABLE Orders DROP CONSTRAINT PrimaryKey ",
     "ALTER TABLE Orders add CONSTRAINT PrimaryKey PRIMARY KEY (Source, CallNumber, OrderSeqNumber)"},
    {"Alter Table OrderLineItems ADD COLUMN Source NUMBER", "OrderLineItems",
     "ALTER TABLE OrderLineItems DROP CONSTRAINT PrimaryKey ",
     "ALTER TABLE OrderLineItems add CONSTRAINT PrimaryKey PRIMARY KEY (Source, CallNumber, OrderSeqNumber, "
     "ItemSeqNumber)"},
};

const char* const kShipToStep = "ALTER TABLE Orders ADD COLUMN ShipTo TEXT(2) ";

struct TableColumn {
    QString name;
    QString declaredType;
    int keyPosition; // 0 when not in the primary key
};

} // namespace

QString storeDateText(const QDateTime& dt) {
    return QLocale::c().toString(dt, QLatin1String(kDateFormat));
}

QDateTime storeDateFromText(const QString& text) {
    // The stored form "YYYY-MM-DD HH:MM:SS" is read digit by digit: a general format parse per row
    // made reading a large Calls table take seconds.
    if (text.size() == 19 && text[4] == QLatin1Char('-') && text[7] == QLatin1Char('-') &&
        text[10] == QLatin1Char(' ') && text[13] == QLatin1Char(':') && text[16] == QLatin1Char(':')) {
        bool digits = true;
        auto number = [&](int from, int count) {
            int value = 0;
            for (int i = from; i < from + count; ++i) {
                const char16_t c = text[i].unicode();
                digits = digits && c >= u'0' && c <= u'9';
                value = value * 10 + (c - u'0');
            }
            return value;
        };
        const QDate date(number(0, 4), number(5, 2), number(8, 2));
        const QTime time(number(11, 2), number(14, 2), number(17, 2));
        if (digits && date.isValid() && time.isValid())
            return QDateTime(date, time);
    }
    return QLocale::c().toDateTime(text, QLatin1String(kDateFormat));
}

struct CallStore::Cache {
    std::unordered_map<std::string, std::unique_ptr<SQLite::Statement>> statements;
    // The same statements by the address of their text (the callers pass literals): found without
    // hashing and copying the text on every use; the text is still compared.
    std::unordered_map<const char*, SQLite::Statement*> byAddress;

    void clear() {
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

SQLite::Database& CallStore::database() {
    return *m_db;
}

std::unique_ptr<CallStore> CallStore::open(const QString& path, QString* error) {
    try {
        const bool isNew = !QFileInfo::exists(path);
        auto db = std::make_unique<SQLite::Database>(path.toStdString(),
                                                     SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db->setBusyTimeout(15000);
        db->exec("PRAGMA journal_mode=WAL");
        db->exec("PRAGMA synchronous=NORMAL");
        std::unique_ptr<CallStore> store(new CallStore(std::move(db)));
        if (isNew || !store->m_db->tableExists("Calls"))
            store->createBaseTables();
        store->ensureIndexes();
        return store;
    } catch (const std::exception& e) {
        if (error)
            *error = QString::fromUtf8(e.what());
        return nullptr;
    }
}

void CallStore::createBaseTables() {
    // The three intake tables in the base form a new installation was shipped with; the upgrade adds
    // the rest.
    const QString calls =
        QStringLiteral("CREATE TABLE Calls (%1, %2, %3, %4, %5, %6, %7, %8, %9, PRIMARY KEY (CallNumber))")
            .arg(storeColumnDefinition(QStringLiteral("CallNumber"), QStringLiteral("NUMBER")),
                 storeColumnDefinition(QStringLiteral("CallDNT"), QStringLiteral("DATE")),
                 storeColumnDefinition(QStringLiteral("GoodCall"), QStringLiteral("YESNO")),
                 storeColumnDefinition(QStringLiteral("Complete"), QStringLiteral("YESNO")),
                 storeColumnDefinition(QStringLiteral("ExtractedCall"), QStringLiteral("YESNO")),
                 storeColumnDefinition(QStringLiteral("ExtractedFileName"), QStringLiteral("TEXT(64)")),
                 storeColumnDefinition(QStringLiteral("ExtractedDNT"), QStringLiteral("DATE")),
                 storeColumnDefinition(QStringLiteral("NumberOfOrders"), QStringLiteral("NUMBER")),
                 storeColumnDefinition(QStringLiteral("Displayed"), QStringLiteral("YESNO")));
    const QString orders =
        QStringLiteral(
            "CREATE TABLE Orders (%1, %2, %3, %4, %5, %6, %7, PRIMARY KEY (CallNumber, OrderSeqNumber))")
            .arg(storeColumnDefinition(QStringLiteral("CallNumber"), QStringLiteral("NUMBER")),
                 storeColumnDefinition(QStringLiteral("OrderSeqNumber"), QStringLiteral("NUMBER")),
                 storeColumnDefinition(QStringLiteral("Salesperson"), QStringLiteral("TEXT(6)")),
                 storeColumnDefinition(QStringLiteral("Customer"), QStringLiteral("TEXT(8)")),
                 storeColumnDefinition(QStringLiteral("Route"), QStringLiteral("TEXT(6)")),
                 storeColumnDefinition(QStringLiteral("Message"), QStringLiteral("TEXT(255)")),
                 storeColumnDefinition(QStringLiteral("NumberOfItems"), QStringLiteral("NUMBER")));
    const QString items =
        QStringLiteral("CREATE TABLE OrderLineItems (%1, %2, %3, %4, %5, %6, %7, %8, "
                       "PRIMARY KEY (CallNumber, OrderSeqNumber, ItemSeqNumber))")
            .arg(storeColumnDefinition(QStringLiteral("CallNumber"), QStringLiteral("NUMBER")),
                 storeColumnDefinition(QStringLiteral("OrderSeqNumber"), QStringLiteral("NUMBER")),
                 storeColumnDefinition(QStringLiteral("ItemSeqNumber"), QStringLiteral("NUMBER")),
                 storeColumnDefinition(QStringLiteral("ItemNumber"), QStringLiteral("TEXT(13)")),
                 storeColumnDefinition(QStringLiteral("Quantity"), QStringLiteral("NUMBER")),
                 storeColumnDefinition(QStringLiteral("Unit"), QStringLiteral("NUMBER")),
                 storeColumnDefinition(QStringLiteral("DiscountPercent"), QStringLiteral("NUMBER")),
                 storeColumnDefinition(QStringLiteral("PriceOverride"), QStringLiteral("NUMBER")));
    SQLite::Transaction tx(*m_db);
    m_db->exec(calls.toStdString());
    m_db->exec(orders.toStdString());
    m_db->exec(items.toStdString());
    tx.commit();
}

void CallStore::ensureIndexes() {
    // Lookups the program makes on every call or every second; each fails harmlessly on a base-form
    // file that lacks a column and is made again after the upgrade.
    const char* const indexes[] = {
        "CREATE INDEX IF NOT EXISTS CallsByNumber ON Calls (CallNumber)",
        "CREATE INDEX IF NOT EXISTS CallsPending ON Calls (ExtractedCall, GoodCall, Complete)",
        "CREATE INDEX IF NOT EXISTS CallsUndisplayed ON Calls (Displayed, Complete)",
    };
    for (const char* sql : indexes) {
        try {
            m_db->exec(sql);
        } catch (const std::exception&) {
        }
    }
}

SQLite::Statement& CallStore::prepared(const char* sql) {
    const auto known = m_cache->byAddress.find(sql);
    if (known != m_cache->byAddress.end() && known->second->getQuery() == sql)
        return *known->second;
    auto& slot = m_cache->statements[sql];
    if (!slot)
        slot = std::make_unique<SQLite::Statement>(*m_db, sql);
    m_cache->byAddress[sql] = slot.get();
    return *slot;
}

// --- schema ---------------------------------------------------------------------------------------

QStringList CallStore::columnsOf(const QString& table) const {
    QStringList names;
    try {
        SQLite::Statement st(*m_db, "SELECT name FROM pragma_table_info(?) ORDER BY cid");
        bindText(st, 1, table);
        while (st.executeStep())
            names.append(textColumn(st.getColumn(0)));
    } catch (const std::exception&) {
    }
    return names;
}

QStringList CallStore::primaryKeyOf(const QString& table) const {
    QStringList names;
    try {
        SQLite::Statement st(*m_db, "SELECT name FROM pragma_table_info(?) WHERE pk > 0 ORDER BY pk");
        bindText(st, 1, table);
        while (st.executeStep())
            names.append(textColumn(st.getColumn(0)));
    } catch (const std::exception&) {
    }
    return names;
}

namespace {

std::vector<TableColumn> tableColumns(SQLite::Database& db, const QString& table) {
    std::vector<TableColumn> columns;
    SQLite::Statement st(db, "SELECT name, type, pk FROM pragma_table_info(?) ORDER BY cid");
    bindText(st, 1, table);
    while (st.executeStep())
        columns.push_back(
            {textColumn(st.getColumn(0)), textColumn(st.getColumn(1)), st.getColumn(2).getInt()});
    return columns;
}

// Rebuilds a table with the same columns and a new primary key (none when keyColumns is empty):
// the store has no statement to change a key in place.
void rebuildWithKey(SQLite::Database& db, const QString& table, const QStringList& keyColumns) {
    const std::vector<TableColumn> columns = tableColumns(db, table);
    if (columns.empty())
        throw std::runtime_error("no such table");
    QStringList definitions;
    QStringList names;
    for (const TableColumn& c : columns) {
        definitions.append(storeColumnDefinition(c.name, c.declaredType));
        names.append(c.name);
    }
    for (const QString& key : keyColumns) {
        if (!names.contains(key, Qt::CaseInsensitive))
            throw std::runtime_error("no such column in key");
    }
    if (!keyColumns.isEmpty())
        definitions.append(QStringLiteral("PRIMARY KEY (%1)").arg(keyColumns.join(QStringLiteral(", "))));
    const QString temp = table + QStringLiteral("_rebuild");
    SQLite::Transaction tx(db);
    db.exec(QStringLiteral("CREATE TABLE %1 (%2)")
                .arg(temp, definitions.join(QStringLiteral(", ")))
                .toStdString());
    db.exec(QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3 ORDER BY rowid")
                .arg(temp, names.join(QStringLiteral(", ")), table)
                .toStdString());
    db.exec(QStringLiteral("DROP TABLE %1").arg(table).toStdString());
    db.exec(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(temp, table).toStdString());
    tx.commit();
}

} // namespace

bool CallStore::executeJetDdl(const QString& jetSql, QString* error) {
    const std::optional<JetStatement> st = parseJetDdl(jetSql);
    if (!st) {
        if (error)
            *error = QStringLiteral("Syntax error in DDL statement.");
        return false;
    }
    m_cache->clear(); // the schema changes under any statement prepared so far
    try {
        switch (st->kind) {
        case JetStatement::Kind::CreateTable: {
            QStringList definitions;
            for (const JetColumn& c : st->columns)
                definitions.append(storeColumnDefinition(c.name, c.jetType));
            m_db->exec(QStringLiteral("CREATE TABLE %1 (%2)")
                           .arg(st->table, definitions.join(QStringLiteral(", ")))
                           .toStdString());
            break;
        }
        case JetStatement::Kind::AddColumn:
            m_db->exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
                           .arg(st->table, storeColumnDefinition(st->columns[0].name, st->columns[0].jetType))
                           .toStdString());
            break;
        case JetStatement::Kind::DropPrimaryKey:
            if (primaryKeyOf(st->table).isEmpty())
                throw std::runtime_error("the table has no primary key");
            rebuildWithKey(*m_db, st->table, {});
            break;
        case JetStatement::Kind::AddPrimaryKey:
            if (!primaryKeyOf(st->table).isEmpty())
                throw std::runtime_error("the table already has a primary key");
            rebuildWithKey(*m_db, st->table, st->keyColumns);
            break;
        }
        return true;
    } catch (const std::exception& e) {
        if (error)
            *error = QString::fromUtf8(e.what());
        return false;
    }
}

bool CallStore::runUpgradeStep(const QString& jetSql) {
    return executeJetDdl(jetSql);
}

void CallStore::fillMissingSources(const QString& table) {
    try {
        m_db->exec(QStringLiteral("UPDATE %1 SET Source = 0 WHERE Source IS NULL").arg(table).toStdString());
    } catch (const std::exception&) {
    }
}

std::vector<bool> CallStore::dataConversions() {
    std::vector<bool> outcomes;
    for (const char* sql : kUpgradeAudit)
        outcomes.push_back(runUpgradeStep(QString::fromLatin1(sql)));
    for (const SourceStep& step : kSourceSteps) {
        const bool added = runUpgradeStep(QString::fromLatin1(step.addColumn));
        outcomes.push_back(added);
        if (added) {
            // Only a column that is new gets its rows filled and the key rebuilt with Source first.
            fillMissingSources(QString::fromLatin1(step.table));
            outcomes.push_back(runUpgradeStep(QString::fromLatin1(step.dropKey)));
            outcomes.push_back(runUpgradeStep(QString::fromLatin1(step.addKey)));
        }
    }
    outcomes.push_back(runUpgradeStep(QString::fromLatin1(kShipToStep)));
    ensureIndexes();
    return outcomes;
}

// --- units of work --------------------------------------------------------------------------------

StoreResult CallStore::begin() {
    try {
        if (m_groupOpen) {
            m_db->exec("SAVEPOINT unit");
            m_unitOpen = true;
        } else {
            m_db->exec("BEGIN IMMEDIATE");
        }
        return StoreResult::success();
    } catch (const std::exception& e) {
        return fromException(e);
    }
}

StoreResult CallStore::commit() {
    try {
        if (m_groupOpen) {
            if (!m_unitOpen)
                return StoreResult{StoreStatus::Error, 1, QStringLiteral("the unit of work was undone")};
            m_unitOpen = false;
            m_db->exec("RELEASE unit");
        } else {
            m_db->exec("COMMIT");
        }
        return StoreResult::success();
    } catch (const std::exception& e) {
        return fromException(e);
    }
}

void CallStore::rollback() {
    if (!inTransaction())
        return;
    try {
        if (!m_groupOpen) {
            m_db->exec("ROLLBACK");
        } else if (m_unitOpen) {
            m_unitOpen = false;
            m_db->exec("ROLLBACK TO unit");
            m_db->exec("RELEASE unit");
        }
    } catch (const std::exception&) {
    }
}

StoreResult CallStore::beginGroup() {
    try {
        m_db->exec("BEGIN IMMEDIATE");
        m_groupOpen = true;
        m_unitOpen = false;
        return StoreResult::success();
    } catch (const std::exception& e) {
        return fromException(e);
    }
}

void CallStore::abandonGroup() {
    if (!m_groupOpen)
        return;
    m_groupOpen = false;
    m_unitOpen = false;
    try {
        m_db->exec("ROLLBACK");
    } catch (const std::exception&) {
    }
}

StoreResult CallStore::endGroup() {
    if (!m_groupOpen)
        return StoreResult::success();
    m_groupOpen = false;
    m_unitOpen = false;
    try {
        m_db->exec("COMMIT");
        return StoreResult::success();
    } catch (const std::exception& e) {
        try {
            m_db->exec("ROLLBACK");
        } catch (const std::exception&) {
        }
        return fromException(e);
    }
}

bool CallStore::inTransaction() const {
    return sqlite3_get_autocommit(m_db->getHandle()) == 0;
}

void CallStore::checkpoint() {
    try {
        m_db->exec("PRAGMA wal_checkpoint(PASSIVE)");
    } catch (const std::exception&) {
    }
}

// --- audit ----------------------------------------------------------------------------------------

StoreResult CallStore::insertAudit(const AuditRow& row) {
    try {
        Use st(prepared(
            "INSERT INTO Audit (AuditDNT, EventDNT, Type, Msg, Seq, Instance) VALUES (?, ?, ?, ?, ?, ?)"));
        bindDate(*st, 1, row.auditDnt);
        bindDate(*st, 2, row.eventDnt);
        bindText(*st, 3, row.type);
        bindText(*st, 4, row.msg);
        if (row.seq)
            st->bind(5, static_cast<int64_t>(*row.seq));
        else
            st->bind(5);
        if (row.instance)
            bindText(*st, 6, *row.instance);
        else
            st->bind(6);
        st->exec();
        return StoreResult::success();
    } catch (const std::exception& e) {
        return fromException(e);
    }
}

StoreResult CallStore::forEachExportableAudit(const std::function<void(const AuditRow&)>& visit) {
    try {
        SQLite::Statement st(*m_db, "SELECT AuditDNT, EventDNT, Type, Msg, Seq, Instance FROM Audit "
                                    "WHERE Type <> '' ORDER BY AuditDNT, Seq");
        while (st.executeStep())
            visit(readAudit(st));
        return StoreResult::success();
    } catch (const std::exception& e) {
        return fromException(e);
    }
}

StoreResult CallStore::deleteAuditUpTo(const QDateTime& cutoff) {
    try {
        Use st(prepared("DELETE FROM Audit WHERE AuditDNT <= ?"));
        bindDate(*st, 1, cutoff);
        st->exec();
        return StoreResult::success();
    } catch (const std::exception& e) {
        return fromException(e);
    }
}

std::vector<AuditRow> CallStore::allAudit() {
    std::vector<AuditRow> rows;
    try {
        SQLite::Statement st(*m_db,
                             "SELECT AuditDNT, EventDNT, Type, Msg, Seq, Instance FROM Audit ORDER BY rowid");
        while (st.executeStep())
            rows.push_back(readAudit(st));
    } catch (const std::exception&) {
    }
    return rows;
}

// --- intake ---------------------------------------------------------------------------------------

namespace {

template <typename Fn> auto guarded(StoreResult* result, Fn&& fn) -> decltype(fn()) {
    try {
        if (result)
            *result = StoreResult::success();
        return fn();
    } catch (const std::exception& e) {
        if (result)
            *result = fromException(e);
        return {};
    }
}

} // namespace

std::optional<CallRow> CallStore::findCall(int source, int callNumber, StoreResult* result) {
    return guarded(result, [&]() -> std::optional<CallRow> {
        Use st(prepared("SELECT " CALL_COLUMNS " FROM Calls WHERE Source = ? AND CallNumber = ?"));
        st->bind(1, source);
        st->bind(2, callNumber);
        if (st->executeStep())
            return readCall(*st);
        return std::nullopt;
    });
}

std::optional<CallRow> CallStore::findFirstCallByNumber(int callNumber, StoreResult* result) {
    return guarded(result, [&]() -> std::optional<CallRow> {
        Use st(prepared("SELECT " CALL_COLUMNS " FROM Calls WHERE CallNumber = ? ORDER BY rowid LIMIT 1"));
        st->bind(1, callNumber);
        if (st->executeStep())
            return readCall(*st);
        return std::nullopt;
    });
}

StoreResult CallStore::insertCall(const CallRow& row) {
    try {
        Use st(prepared("INSERT INTO Calls (Source, CallNumber, CallDNT, GoodCall, Complete, ExtractedCall, "
                        "ExtractedFileName, NumberOfOrders, LineNumber, Hour, BadReason, BadData, NumBytes) "
                        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        st->bind(1, row.source);
        st->bind(2, row.callNumber);
        bindDate(*st, 3, row.callDnt);
        st->bind(4, row.goodCall ? 1 : 0);
        st->bind(5, row.complete ? 1 : 0);
        st->bind(6, row.extractedCall ? 1 : 0);
        bindText(*st, 7, row.extractedFileName);
        st->bind(8, row.numberOfOrders);
        bindOptional(*st, 9, row.lineNumber);
        bindOptional(*st, 10, row.hour);
        bindOptional(*st, 11, row.badReason);
        bindOptional(*st, 12, row.badData);
        bindOptional(*st, 13, row.numBytes);
        st->exec();
        return StoreResult::success();
    } catch (const std::exception& e) {
        return fromException(e);
    }
}

StoreResult CallStore::raiseNumberOfOrders(int source, int callNumber, int* newCount) {
    try {
        // An UPDATE and a SELECT rather than UPDATE ... RETURNING: RETURNING builds a temporary table on
        // every run, which made this counter cost more than the row it numbers.
        Use st(prepared(
            "UPDATE Calls SET NumberOfOrders = NumberOfOrders + 1 WHERE Source = ? AND CallNumber = ?"));
        st->bind(1, source);
        st->bind(2, callNumber);
        if (st->exec() == 0)
            return StoreResult::notFound();
        Use read(prepared("SELECT NumberOfOrders FROM Calls WHERE Source = ? AND CallNumber = ?"));
        read->bind(1, source);
        read->bind(2, callNumber);
        if (read->executeStep() && newCount)
            *newCount = read->getColumn(0).getInt();
        return StoreResult::success();
    } catch (const std::exception& e) {
        return fromException(e);
    }
}

StoreResult CallStore::insertOrder(const OrderRow& row) {
    try {
        Use st(
            prepared("INSERT INTO Orders (Source, CallNumber, OrderSeqNumber, Salesperson, Customer, ShipTo, "
                     "Route, Message, NumberOfItems) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        st->bind(1, row.source);
        st->bind(2, row.callNumber);
        st->bind(3, row.orderSeqNumber);
        bindText(*st, 4, row.salesperson);
        bindText(*st, 5, row.customer);
        if (row.shipTo)
            bindText(*st, 6, *row.shipTo);
        else
            st->bind(6);
        bindText(*st, 7, row.route);
        bindText(*st, 8, row.message);
        st->bind(9, row.numberOfItems);
        st->exec();
        return StoreResult::success();
    } catch (const std::exception& e) {
        return fromException(e);
    }
}

StoreResult CallStore::raiseNumberOfItems(int source, int callNumber, int orderSeqNumber, int* newCount) {
    try {
        // UPDATE and SELECT, as raiseNumberOfOrders.
        Use st(prepared(
            "UPDATE Orders SET NumberOfItems = NumberOfItems + 1 WHERE Source = ? AND CallNumber = ? "
            "AND OrderSeqNumber = ?"));
        st->bind(1, source);
        st->bind(2, callNumber);
        st->bind(3, orderSeqNumber);
        if (st->exec() == 0)
            return StoreResult::notFound();
        Use read(prepared("SELECT NumberOfItems FROM Orders WHERE Source = ? AND CallNumber = ? "
                          "AND OrderSeqNumber = ?"));
        read->bind(1, source);
        read->bind(2, callNumber);
        read->bind(3, orderSeqNumber);
        if (read->executeStep() && newCount)
            *newCount = read->getColumn(0).getInt();
        return StoreResult::success();
    } catch (const std::exception& e) {
        return fromException(e);
    }
}

StoreResult CallStore::insertItem(const ItemRow& row) {
    try {
        Use st(prepared(
            "INSERT INTO OrderLineItems (Source, CallNumber, OrderSeqNumber, ItemSeqNumber, ItemNumber, "
            "Quantity, Unit, DiscountPercent, PriceOverride) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        st->bind(1, row.source);
        st->bind(2, row.callNumber);
        st->bind(3, row.orderSeqNumber);
        st->bind(4, row.itemSeqNumber);
        bindText(*st, 5, row.itemNumber);
        st->bind(6, row.quantity);
        st->bind(7, row.unit);
        st->bind(8, row.discountPercent);
        st->bind(9, row.priceOverride);
        st->exec();
        return StoreResult::success();
    } catch (const std::exception& e) {
        return fromException(e);
    }
}

namespace {

StoreResult changedOne(SQLite::Statement& st) {
    return st.exec() > 0 ? StoreResult::success() : StoreResult::notFound();
}

} // namespace

StoreResult CallStore::setOrderMessage(int source, int callNumber, int orderSeqNumber,
                                       const QString& message) {
    try {
        Use st(prepared(
            "UPDATE Orders SET Message = ? WHERE Source = ? AND CallNumber = ? AND OrderSeqNumber = ?"));
        bindText(*st, 1, message);
        st->bind(2, source);
        st->bind(3, callNumber);
        st->bind(4, orderSeqNumber);
        return changedOne(*st);
    } catch (const std::exception& e) {
        return fromException(e);
    }
}

StoreResult CallStore::setPriceOverride(int source, int callNumber, int orderSeqNumber, int itemSeqNumber,
                                        int price) {
    try {
        Use st(prepared("UPDATE OrderLineItems SET PriceOverride = ? WHERE Source = ? AND CallNumber = ? "
                        "AND OrderSeqNumber = ? AND ItemSeqNumber = ?"));
        st->bind(1, price);
        st->bind(2, source);
        st->bind(3, callNumber);
        st->bind(4, orderSeqNumber);
        st->bind(5, itemSeqNumber);
        return changedOne(*st);
    } catch (const std::exception& e) {
        return fromException(e);
    }
}

StoreResult CallStore::setCallComplete(int source, int callNumber, std::optional<bool> goodCall) {
    try {
        Use st(prepared("UPDATE Calls SET Complete = 1, GoodCall = coalesce(?, GoodCall) "
                        "WHERE Source = ? AND CallNumber = ?"));
        if (goodCall)
            st->bind(1, *goodCall ? 1 : 0);
        else
            st->bind(1);
        st->bind(2, source);
        st->bind(3, callNumber);
        return changedOne(*st);
    } catch (const std::exception& e) {
        return fromException(e);
    }
}

// --- export ---------------------------------------------------------------------------------------

std::optional<CallRow> CallStore::nextPendingCall(qint64 afterRowId, StoreResult* result) {
    return guarded(result, [&]() -> std::optional<CallRow> {
        Use st(prepared("SELECT " CALL_COLUMNS " FROM Calls WHERE ExtractedCall = 0 AND GoodCall = 1 "
                        "AND Complete = 1 AND rowid > ? ORDER BY rowid LIMIT 1"));
        st->bind(1, static_cast<int64_t>(afterRowId));
        if (st->executeStep())
            return readCall(*st);
        return std::nullopt;
    });
}

std::vector<OrderRow> CallStore::ordersOfCall(int source, int callNumber, StoreResult* result) {
    return guarded(result, [&]() {
        std::vector<OrderRow> rows;
        Use st(prepared("SELECT " ORDER_COLUMNS " FROM Orders WHERE Source = ? AND CallNumber = ? "
                        "ORDER BY OrderSeqNumber"));
        st->bind(1, source);
        st->bind(2, callNumber);
        while (st->executeStep())
            rows.push_back(readOrder(*st));
        return rows;
    });
}

std::vector<ItemRow> CallStore::itemsOfCall(int source, int callNumber, StoreResult* result) {
    return guarded(result, [&]() {
        std::vector<ItemRow> rows;
        Use st(prepared("SELECT " ITEM_COLUMNS " FROM OrderLineItems WHERE Source = ? AND CallNumber = ? "
                        "ORDER BY OrderSeqNumber, ItemSeqNumber"));
        st->bind(1, source);
        st->bind(2, callNumber);
        while (st->executeStep())
            rows.push_back(readItem(*st));
        return rows;
    });
}

std::vector<ItemRow> CallStore::itemsOfOrder(int source, int callNumber, int orderSeqNumber,
                                             StoreResult* result) {
    return guarded(result, [&]() {
        std::vector<ItemRow> rows;
        Use st(prepared("SELECT " ITEM_COLUMNS " FROM OrderLineItems WHERE Source = ? AND CallNumber = ? "
                        "AND OrderSeqNumber = ? ORDER BY ItemSeqNumber"));
        st->bind(1, source);
        st->bind(2, callNumber);
        st->bind(3, orderSeqNumber);
        while (st->executeStep())
            rows.push_back(readItem(*st));
        return rows;
    });
}

StoreResult CallStore::markExtracted(int source, int callNumber, const QString& fileName,
                                     const QDateTime& when) {
    try {
        Use st(prepared("UPDATE Calls SET ExtractedCall = 1, ExtractedDNT = ?, ExtractedFileName = ? "
                        "WHERE Source = ? AND CallNumber = ?"));
        bindDate(*st, 1, when);
        bindText(*st, 2, fileName);
        st->bind(3, source);
        st->bind(4, callNumber);
        return changedOne(*st);
    } catch (const std::exception& e) {
        return fromException(e);
    }
}

StoreResult CallStore::setExtracted(int source, int callNumber, bool extracted) {
    try {
        Use st(prepared("UPDATE Calls SET ExtractedCall = ? WHERE Source = ? AND CallNumber = ?"));
        st->bind(1, extracted ? 1 : 0);
        st->bind(2, source);
        st->bind(3, callNumber);
        return changedOne(*st);
    } catch (const std::exception& e) {
        return fromException(e);
    }
}

// --- calls window ---------------------------------------------------------------------------------

StoreResult CallStore::resetDisplayed() {
    try {
        Use st(prepared("UPDATE Calls SET Displayed = 0, Source = coalesce(Source, 0) "
                        "WHERE Displayed <> 0 OR Source IS NULL"));
        st->exec();
        return StoreResult::success();
    } catch (const std::exception& e) {
        return fromException(e);
    }
}

namespace {

// The columns readDisplayRow reads, in its order.
#define DISPLAY_COLUMNS "coalesce(Source, 0), CallNumber, CallDNT, GoodCall, ExtractedCall"

CallDisplayRow readDisplayRow(SQLite::Statement& st) {
    CallDisplayRow row;
    row.source = st.getColumn(0).getInt();
    row.callNumber = st.getColumn(1).getInt();
    row.callDnt = dateColumn(st.getColumn(2));
    row.goodCall = st.getColumn(3).getInt() != 0;
    row.extractedCall = st.getColumn(4).getInt() != 0;
    return row;
}

} // namespace

std::vector<CallDisplayRow> CallStore::takeCallsForDisplay(const char* select, const char* mark,
                                                           StoreResult* result) {
    const bool ownTransaction = !inTransaction();
    auto rows = guarded(result, [&]() {
        std::vector<CallDisplayRow> found;
        if (ownTransaction)
            m_db->exec("BEGIN IMMEDIATE");
        {
            Use st(prepared(select));
            while (st->executeStep())
                found.push_back(readDisplayRow(*st));
        }
        Use marking(prepared(mark));
        marking->exec();
        if (ownTransaction)
            m_db->exec("COMMIT");
        return found;
    });
    if (ownTransaction)
        rollback();
    return rows;
}

std::vector<CallDisplayRow> CallStore::takeUndisplayedCompleteCalls(StoreResult* result) {
    return takeCallsForDisplay("SELECT " DISPLAY_COLUMNS " FROM Calls "
                               "WHERE Displayed = 0 AND Complete = 1 ORDER BY rowid",
                               "UPDATE Calls SET Displayed = 1 WHERE Displayed = 0 AND Complete = 1", result);
}

std::vector<CallDisplayRow> CallStore::retakeAllCompleteCalls(StoreResult* result) {
    // Every complete call is shown and ends up marked; every other row ends up unmarked; a missing
    // source becomes 0. Only rows that differ from that are written.
    return takeCallsForDisplay(
        "SELECT " DISPLAY_COLUMNS " FROM Calls WHERE Complete = 1 ORDER BY rowid",
        "UPDATE Calls SET Displayed = CASE WHEN Complete = 1 THEN 1 ELSE 0 END, Source = coalesce(Source, 0) "
        "WHERE Source IS NULL OR Displayed <> CASE WHEN Complete = 1 THEN 1 ELSE 0 END",
        result);
}

// --- purge ----------------------------------------------------------------------------------------

std::optional<CallRow> CallStore::nextPurgeableCall(const QDateTime& cutoff, qint64 afterRowId,
                                                    StoreResult* result) {
    return guarded(result, [&]() -> std::optional<CallRow> {
        Use st(prepared("SELECT " CALL_COLUMNS
                        " FROM Calls WHERE rowid > ? AND Complete = 1 AND CallDNT <= ? "
                        "AND (GoodCall = 0 OR (GoodCall = 1 AND ExtractedCall = 1)) ORDER BY rowid LIMIT 1"));
        st->bind(1, static_cast<int64_t>(afterRowId));
        bindDate(*st, 2, cutoff);
        if (st->executeStep())
            return readCall(*st);
        return std::nullopt;
    });
}

StoreResult CallStore::deleteCallWithOrders(int source, int callNumber) {
    try {
        Use orders(prepared("DELETE FROM Orders WHERE Source = ? AND CallNumber = ?"));
        orders->bind(1, source);
        orders->bind(2, callNumber);
        orders->exec();
        Use items(prepared("DELETE FROM OrderLineItems WHERE Source = ? AND CallNumber = ?"));
        items->bind(1, source);
        items->bind(2, callNumber);
        items->exec();
        Use call(prepared("DELETE FROM Calls WHERE Source = ? AND CallNumber = ?"));
        call->bind(1, source);
        call->bind(2, callNumber);
        call->exec();
        return StoreResult::success();
    } catch (const std::exception& e) {
        return fromException(e);
    }
}

// --- viewers and tests ----------------------------------------------------------------------------

std::vector<CallRow> CallStore::allCalls(StoreResult* result) {
    return guarded(result, [&]() {
        std::vector<CallRow> rows;
        SQLite::Statement st(*m_db, "SELECT " CALL_COLUMNS " FROM Calls ORDER BY rowid");
        while (st.executeStep())
            rows.push_back(readCall(st));
        return rows;
    });
}

std::vector<OrderRow> CallStore::allOrders(StoreResult* result) {
    return guarded(result, [&]() {
        std::vector<OrderRow> rows;
        SQLite::Statement st(*m_db, "SELECT " ORDER_COLUMNS
                                    " FROM Orders ORDER BY Source, CallNumber, OrderSeqNumber");
        while (st.executeStep())
            rows.push_back(readOrder(st));
        return rows;
    });
}

std::vector<ItemRow> CallStore::allItems(StoreResult* result) {
    return guarded(result, [&]() {
        std::vector<ItemRow> rows;
        SQLite::Statement st(*m_db, "SELECT " ITEM_COLUMNS " FROM OrderLineItems "
                                    "ORDER BY Source, CallNumber, OrderSeqNumber, ItemSeqNumber");
        while (st.executeStep())
            rows.push_back(readItem(st));
        return rows;
    });
}

} // namespace vrq
