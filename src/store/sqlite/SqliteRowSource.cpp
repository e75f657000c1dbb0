// A SQLite store's rows for a copy into another store: each value in the form the copy carries.
#include "store/sqlite/SqliteRowSource.h"

#include "store/StoreDates.h"
#include "store/sqlite/CallStore.h"
#include "store/sqlite/StoreAttempt.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdint>
#include <string>

namespace vrq {

namespace {

using storecopy::Kind;
using storecopy::Value;

// The range of the other store's number columns.
bool fitsWholeNumber(double value) {
    return value == std::floor(value) && value >= INT32_MIN && value <= INT32_MAX;
}

// A number column: a whole number within 32 bits (also one kept as a real without a fraction), or
// nullopt when the value is anything else, which the other store could not hold as it is.
std::optional<Value> numberValue(const SQLite::Column& c) {
    const int type = c.getType();
    if (type == SQLITE_NULL)
        return Value{};
    if (type == SQLITE_INTEGER) {
        const std::int64_t value = c.getInt64();
        if (value < INT32_MIN || value > INT32_MAX)
            return std::nullopt;
        return Value{QByteArray::number(static_cast<qlonglong>(value))};
    }
    if (type == SQLITE_FLOAT && fitsWholeNumber(c.getDouble()))
        return Value{QByteArray::number(static_cast<qlonglong>(c.getDouble()))};
    return std::nullopt;
}

// A yes/no column as the store reads it: anything but a non-zero number is No (the columns are NOT
// NULL on both engines).
Value yesNoValue(const SQLite::Column& c) {
    return QByteArray(c.getType() != SQLITE_NULL && c.getInt64() != 0 ? "t" : "f");
}

// A date column as the store reads it: a text it cannot read as a date reads as no date (Null).
Value dateValue(const SQLite::Column& c) {
    if (c.getType() == SQLITE_NULL)
        return {};
    char text[20];
    if (!storeDateChars(storeDateFromText(QString::fromUtf8(c.getText())), text))
        return {};
    return QByteArray(text, 19);
}

// A text column as the store reads it: up to a zero character, and bytes that are not UTF-8 replaced,
// as the store's own reads give them.
Value textValue(const SQLite::Column& c) {
    if (c.getType() == SQLITE_NULL)
        return {};
    return QString::fromUtf8(c.getText()).toUtf8();
}

std::optional<Value> valueOf(const SQLite::Column& c, Kind kind) {
    switch (kind) {
    case Kind::Number:
        return numberValue(c);
    case Kind::YesNo:
        return yesNoValue(c);
    case Kind::Date:
        return dateValue(c);
    case Kind::Text:
        return textValue(c);
    }
    return std::nullopt;
}

// "SELECT <columns> FROM <table> ORDER BY rowid", from the copy's constants; the row number last.
std::string selectAll(const storecopy::Table& table) {
    std::string sql = "SELECT ";
    for (const storecopy::Column& c : table.columns) {
        sql += c.name;
        sql += ", ";
    }
    sql += "rowid FROM ";
    sql += table.name;
    sql += " ORDER BY rowid";
    return sql;
}

Result refusedValue(const storecopy::Table& table, const storecopy::Column& column, const SQLite::Column& c,
                    std::int64_t rowid) {
    return Result::failure(QStringLiteral("%1.%2 of row %3 holds \"%4\", which is not a whole number the "
                                          "PostgreSQL store can hold (-2147483648 to 2147483647); correct "
                                          "it in the SQLite store and copy again")
                               .arg(QString::fromLatin1(table.name), QString::fromLatin1(column.name))
                               .arg(rowid)
                               .arg(QString::fromUtf8(c.getText())));
}

} // namespace

SqliteRowSource::SqliteRowSource(std::unique_ptr<CallStore> store) : m_store(std::move(store)) {}

SqliteRowSource::~SqliteRowSource() {
    endSnapshot();
}

std::unique_ptr<SqliteRowSource> SqliteRowSource::open(const QString& path, Result* result) {
    Result opened;
    std::unique_ptr<CallStore> store = CallStore::openForReading(path, &opened);
    if (!store) {
        *result = Result::failure(
            opened.code, QStringLiteral("The call store %1 cannot be read: %2").arg(path, opened.message));
        return nullptr;
    }
    if (store->schemaVersion() < CallStore::kFinalSchemaVersion) {
        *result = Result::failure(QStringLiteral("The call store %1 has not been brought to this version's "
                                                 "tables yet; run vrqtoqx7 --once on it first, then copy "
                                                 "again.")
                                      .arg(path));
        return nullptr;
    }
    *result = Result::success();
    return std::unique_ptr<SqliteRowSource>(new SqliteRowSource(std::move(store)));
}

Result SqliteRowSource::beginSnapshot() {
    Result begun = attempt([&] { m_store->database().exec("BEGIN"); });
    m_snapshotOpen = begun.ok();
    return begun;
}

void SqliteRowSource::endSnapshot() {
    if (m_snapshotOpen)
        bestEffort([&] { m_store->database().exec("COMMIT"); });
    m_snapshotOpen = false;
}

Result SqliteRowSource::countRows(const storecopy::Table& table, qint64* count) {
    return attempt([&] {
        SQLite::Statement st(m_store->database(), std::string("SELECT count(*) FROM ") + table.name);
        st.executeStep();
        *count = st.getColumn(0).getInt64();
    });
}

Result SqliteRowSource::forEachRow(const storecopy::Table& table, const Visit& visit) {
    return attempt([&]() -> Result {
        SQLite::Statement st(m_store->database(), selectAll(table));
        const int width = static_cast<int>(table.columns.size());
        Row row(table.columns.size());
        while (st.executeStep()) {
            for (int i = 0; i < width; ++i) {
                const SQLite::Column c = st.getColumn(i);
                std::optional<Value> value = valueOf(c, table.columns[i].kind);
                if (!value)
                    return refusedValue(table, table.columns[i], c, st.getColumn(width).getInt64());
                row[i] = std::move(*value);
            }
            if (Result r = visit(row); !r)
                return r;
        }
        return Result::success();
    });
}

} // namespace vrq
