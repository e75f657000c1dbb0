// The store's schema: the base tables a new file gets, the start-up upgrade through the DDL translator,
// the lookup indexes, and what the tests read back of the tables.
#include "store/sqlite/CallStore.h"

#include "store/sqlite/JetDdl.h"
#include "store/sqlite/StoreAttempt.h"
#include "store/sqlite/StoreColumns.h"

#include <SQLiteCpp/SQLiteCpp.h>

namespace vrq {

namespace {

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

// What the upgrade reports on a store in its final form: every statement fails.
constexpr std::size_t kStatementsOnFinalForm =
    std::size(kUpgradeAudit) + std::size(kSourceSteps) + 1 /* ShipTo */;

// A table as the upgrade leaves it: its columns in order and its primary key.
struct FinalTable {
    const char* name;
    const char* columns;
    const char* key;
};

const FinalTable kFinalTables[] = {
    {"Calls",
     "CallNumber CallDNT GoodCall Complete ExtractedCall ExtractedFileName ExtractedDNT NumberOfOrders "
     "Displayed LineNumber Hour BadReason BadData NumBytes Salesperson Customer Source",
     "Source CallNumber"},
    {"Orders", "CallNumber OrderSeqNumber Salesperson Customer Route Message NumberOfItems Source ShipTo",
     "Source CallNumber OrderSeqNumber"},
    {"OrderLineItems",
     "CallNumber OrderSeqNumber ItemSeqNumber ItemNumber Quantity Unit DiscountPercent PriceOverride Source",
     "Source CallNumber OrderSeqNumber ItemSeqNumber"},
    {"Audit", "AuditDNT EventDNT Type Msg Seq Instance", ""},
};

QStringList wordsOf(const char* text) {
    return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// A column as the table declares it.
struct DeclaredColumn {
    QString name;
    QString declaredType;
    int keyPosition = 0; // 0 when not in the primary key
};

constexpr TableColumn<DeclaredColumn> kDeclaredColumns[] = {
    selectOnly<&DeclaredColumn::name>("name"),
    selectOnly<&DeclaredColumn::declaredType>("type"),
    selectOnly<&DeclaredColumn::keyPosition>("pk"),
};

std::vector<DeclaredColumn> declaredColumns(SQLite::Database& db, const QString& table) {
    static const RowSelect select(kDeclaredColumns, "FROM pragma_table_info(?) ORDER BY cid");
    SQLite::Statement st(db, select.sql());
    bindValues(st, table);
    return select.all(st);
}

// The names the statement (a pragma_table_info of the table) gives; those read so far when it fails.
QStringList namesFrom(SQLite::Database& db, const char* sql, const QString& table) {
    QStringList names;
    bestEffort([&] {
        SQLite::Statement st(db, sql);
        bindValues(st, table);
        while (st.executeStep())
            names.append(textOf(st.getColumn(0)));
    });
    return names;
}

// Rebuilds a table with the same columns and a new primary key (none when keyColumns is empty):
// the store has no statement to change a key in place.
void rebuildWithKey(SQLite::Database& db, const QString& table, const QStringList& keyColumns) {
    const std::vector<DeclaredColumn> columns = declaredColumns(db, table);
    if (columns.empty())
        throw std::runtime_error("no such table");
    QStringList definitions;
    QStringList names;
    for (const DeclaredColumn& c : columns) {
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

namespace {

// Lookups the program makes on every call or every second.
struct LookupIndex {
    const char* name;
    const char* create;
};

const LookupIndex kLookupIndexes[] = {
    {"CallsByNumber", "CREATE INDEX IF NOT EXISTS CallsByNumber ON Calls (CallNumber)"},
    {"CallsPending", "CREATE INDEX IF NOT EXISTS CallsPending ON Calls (ExtractedCall, GoodCall, Complete)"},
    {"CallsUndisplayed", "CREATE INDEX IF NOT EXISTS CallsUndisplayed ON Calls (Displayed, Complete)"},
};

} // namespace

void CallStore::ensureIndexes() {
    // Each fails harmlessly on a base-form file that lacks a column and is made again after the upgrade.
    for (const LookupIndex& index : kLookupIndexes)
        bestEffort([&] { m_db->exec(index.create); });
}

int CallStore::schemaVersion() const {
    int version = 0;
    bestEffort([&] { version = m_db->execAndGet("PRAGMA user_version").getInt(); });
    return version;
}

bool CallStore::hasFinalForm() const {
    for (const FinalTable& table : kFinalTables) {
        const QString name = QString::fromLatin1(table.name);
        if (columnsOf(name) != wordsOf(table.columns) || primaryKeyOf(name) != wordsOf(table.key))
            return false;
    }
    bool indexed = false; // stays false when the lookup fails
    bestEffort([&] {
        SQLite::Statement st(*m_db, "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?");
        bool all = true;
        for (const LookupIndex& index : kLookupIndexes) {
            st.reset();
            st.bind(1, index.name);
            all = all && st.executeStep();
        }
        indexed = all;
    });
    return indexed;
}

QStringList CallStore::columnsOf(const QString& table) const {
    return namesFrom(*m_db, "SELECT name FROM pragma_table_info(?) ORDER BY cid", table);
}

QStringList CallStore::primaryKeyOf(const QString& table) const {
    return namesFrom(*m_db, "SELECT name FROM pragma_table_info(?) WHERE pk > 0 ORDER BY pk", table);
}

Result CallStore::executeJetDdl(const QString& jetSql) {
    const std::optional<JetStatement> st = parseJetDdl(jetSql);
    if (!st)
        return Result::failure(QStringLiteral("Syntax error in DDL statement."));
    forgetPrepared(); // the schema changes under any statement prepared so far
    return attempt([&] {
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
    });
}

bool CallStore::runUpgradeStep(const QString& jetSql) {
    return executeJetDdl(jetSql).ok();
}

void CallStore::fillMissingSources(const QString& table) {
    bestEffort([&] {
        m_db->exec(QStringLiteral("UPDATE %1 SET Source = 0 WHERE Source IS NULL").arg(table).toStdString());
    });
}

std::vector<bool> CallStore::dataConversions() {
    // Judged final once, so that a start does not run fourteen statements that can only fail.
    if (schemaVersion() >= kFinalSchemaVersion)
        return std::vector<bool>(kStatementsOnFinalForm, false);
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
    // A store left in any other form (a step refused by a full disk, a read-only file, a key changed
    // by hand) is not marked: the next start runs the upgrade again.
    if (hasFinalForm())
        bestEffort([&] { m_db->exec("PRAGMA user_version = " + std::to_string(kFinalSchemaVersion)); });
    return outcomes;
}

} // namespace vrq
