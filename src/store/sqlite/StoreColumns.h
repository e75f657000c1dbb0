#pragma once

// How the call store's own sources bind values and read rows. A table's columns are listed once, as
// {name, how the row's member is read, how it is bound}; the SELECT and INSERT texts are built from that
// list and the rows read and bound by it, so a column list and the code reading it cannot drift apart.
// Included by the store's .cpp files only.

#include "store/StoreDates.h"
#include "store/sqlite/CallStore.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <QDateTime>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace vrq {

// --- values -----------------------------------------------------------------------------------------

// A read statement on the engine's own interface, for the reads that give many rows (the export's
// groups of calls with their orders and line items): SQLiteCpp's Column copies a shared pointer and
// checks the row for every value read, which was a third of reading a line item. Errors are thrown as
// SQLiteCpp throws them.
class RowReader {
public:
    RowReader(sqlite3* db, const char* sql) : m_db(db) {
        if (const int rc = sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr);
            rc != SQLITE_OK)
            throw SQLite::Exception(db, rc);
    }
    ~RowReader() { sqlite3_finalize(m_stmt); }
    RowReader(const RowReader&) = delete;
    RowReader& operator=(const RowReader&) = delete;

    // Whether the statement stands on a row now; false when it has given them all.
    bool step() {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            throw SQLite::Exception(m_db, rc);
        return false;
    }
    void bind(int index, qint64 value) { check(sqlite3_bind_int64(m_stmt, index, value)); }
    // Ready for the next use, without bound values.
    void reset() {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    sqlite3_stmt* handle() const { return m_stmt; }

private:
    void check(int rc) const {
        if (rc != SQLITE_OK)
            throw SQLite::Exception(m_db, rc);
    }
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

// Resets a reader when the read using it ends, so that no read stays open.
class UseReader {
public:
    explicit UseReader(RowReader& reader) : m_reader(reader) {}
    ~UseReader() { m_reader.reset(); }
    UseReader(const UseReader&) = delete;
    UseReader& operator=(const UseReader&) = delete;
    RowReader* operator->() { return &m_reader; }
    RowReader& operator*() { return m_reader; }

private:
    RowReader& m_reader;
};

// One value of the row a statement stands on, its type asked at most once: SQLiteCpp's Column asks the
// engine at each question (isFloat, then isNull), which per value of every row read was as much as the
// value. The type is asked before the value is read, so no conversion of the value can change it. Read
// through a SQLiteCpp column, or straight from a reader's statement.
class ColumnValue {
public:
    explicit ColumnValue(const SQLite::Column& column) : m_column(&column) {}
    ColumnValue(sqlite3_stmt* stmt, int index) : m_stmt(stmt), m_index(index) {}
    bool isNull() const { return type() == SQLite::Null; }
    bool isFloat() const { return type() == SQLite::FLOAT; }
    int getInt() const { return m_column ? m_column->getInt() : sqlite3_column_int(m_stmt, m_index); }
    int64_t getInt64() const {
        return m_column ? m_column->getInt64() : sqlite3_column_int64(m_stmt, m_index);
    }
    double getDouble() const {
        return m_column ? m_column->getDouble() : sqlite3_column_double(m_stmt, m_index);
    }
    // "" for Null.
    const char* getText() const {
        if (m_column)
            return m_column->getText();
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, m_index));
        return text ? text : "";
    }
    const char* getName() const {
        return m_column ? m_column->getName() : sqlite3_column_name(m_stmt, m_index);
    }

private:
    int type() const {
        if (!m_type)
            m_type = m_column ? m_column->getType() : sqlite3_column_type(m_stmt, m_index);
        return *m_type;
    }
    const SQLite::Column* m_column = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    int m_index = 0;
    mutable std::optional<int> m_type;
};

// A text as the engine gives it (UTF-8, up to its first zero byte, as QString::fromUtf8 takes a C
// string), written over into: a text read before keeps its room, so a row read into again needs no
// allocation. The plain-ASCII texts that make up nearly every row are widened in place of the general
// decoder, which was half of reading a line item; any other text goes through it.
inline void assignText(QString& into, const char* text) {
    const std::size_t length = std::strlen(text);
    if (length > 0) {
        into.resize(static_cast<qsizetype>(length));
        char16_t* out = reinterpret_cast<char16_t*>(into.data());
        unsigned char bits = 0;
        for (std::size_t i = 0; i < length; ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            bits |= byte;
            out[i] = byte;
        }
        if (bits < 0x80)
            return;
    }
    into = QString::fromUtf8(text);
}

inline QString textFromEngine(const char* text) {
    QString result;
    assignText(result, text);
    return result;
}

inline QString textOf(const SQLite::Column& c) {
    return textFromEngine(c.getText());
}
inline QString textOf(const ColumnValue& c) {
    return textFromEngine(c.getText());
}

// A date column; Null gives an invalid date.
inline QDateTime dateOf(const ColumnValue& c) {
    if (c.isNull())
        return {};
    return storeDateFromText(textOf(c));
}

// A number column as a 32-bit integer: a value with a fraction goes to the nearest whole number,
// halves to the even neighbour; values beyond the range are held at its limits.
inline int wholeNumberOf(const ColumnValue& c) {
    if (!c.isFloat())
        return static_cast<int>(std::clamp<int64_t>(c.getInt64(), INT32_MIN, INT32_MAX));
    const double rounded = std::nearbyint(c.getDouble()); // the default rounding mode: halves to even
    return static_cast<int>(
        std::clamp(rounded, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)));
}

// A column into a member of the record types, by the member's type. Null leaves an optional empty.
inline void readValue(int& value, const ColumnValue& c) {
    value = c.getInt();
}
inline void readValue(qint64& value, const ColumnValue& c) {
    value = c.getInt64();
}
inline void readValue(bool& value, const ColumnValue& c) {
    value = c.getInt() != 0;
}
inline void readValue(QString& value, const ColumnValue& c) {
    assignText(value, c.getText());
}
inline void readValue(QDateTime& value, const ColumnValue& c) {
    value = dateOf(c);
}
template <typename T> void readValue(std::optional<T>& value, const ColumnValue& c) {
    if (c.isNull()) {
        value.reset();
        return;
    }
    if (!value)
        value.emplace();
    readValue(*value, c); // into the value there, which keeps its room
}

// One value bound to the statement's parameter at index (from 1). An invalid date and an empty
// optional are bound as Null, a yes/no as 1 or 0.
inline void bindValue(SQLite::Statement& st, int index, int value) {
    st.bind(index, value);
}
inline void bindValue(SQLite::Statement& st, int index, qint64 value) {
    st.bind(index, static_cast<int64_t>(value));
}
inline void bindValue(SQLite::Statement& st, int index, bool value) {
    st.bind(index, value ? 1 : 0);
}
void bindValue(SQLite::Statement& st, int index, const char* value) = delete; // else bound as a yes/no
// A text as UTF-8, copied by the engine. The short plain-ASCII texts that make up nearly every row are
// converted on the stack, without an allocation: copied narrowed, then checked at once for a character
// beyond ASCII (the bits of all) or a zero.
inline void bindValue(SQLite::Statement& st, int index, const QString& value) {
    char ascii[256];
    const qsizetype length = value.size();
    if (length < qsizetype(sizeof ascii)) {
        const QChar* text = value.constData();
        char16_t bits = 0;
        for (qsizetype i = 0; i < length; ++i) {
            bits |= text[i].unicode();
            ascii[i] = static_cast<char>(text[i].unicode());
        }
        if (bits < 0x80 && std::memchr(ascii, 0, static_cast<std::size_t>(length)) == nullptr) {
            ascii[length] = '\0';
            st.bind(index, static_cast<const char*>(ascii));
            return;
        }
    }
    st.bind(index, value.toStdString());
}
inline void bindValue(SQLite::Statement& st, int index, const QDateTime& value) {
    char text[20];
    if (storeDateChars(value, text))
        st.bind(index, static_cast<const char*>(text));
    else if (value.isValid())
        bindValue(st, index, storeDateText(value));
    else
        st.bind(index);
}
template <typename T> void bindValue(SQLite::Statement& st, int index, const std::optional<T>& value) {
    if (value)
        bindValue(st, index, *value);
    else
        st.bind(index);
}

// The texts of one row's insert, converted once and bound without the engine's own copy of each: they
// stay here until the statement has run (the insert keeps this beside the statement it runs). A text
// that finds no room is bound as above, copied by the engine. The statement keeps pointing at them after
// it ran: every use of an insert binds all its values anew before it runs.
class RowTexts {
public:
    char* room(std::size_t size) {
        if (size > sizeof m_bytes - m_used)
            return nullptr;
        char* at = m_bytes + m_used;
        m_used += size;
        return at;
    }

private:
    char m_bytes[2048];
    std::size_t m_used = 0;
};

template <typename Value> void bindValue(SQLite::Statement& st, int index, const Value& value, RowTexts&) {
    bindValue(st, index, value);
}
inline void bindValue(SQLite::Statement& st, int index, const QString& value, RowTexts& texts) {
    const auto length = static_cast<std::size_t>(value.size());
    if (char* ascii = texts.room(length + 1)) {
        const QChar* text = value.constData();
        char16_t bits = 0;
        for (std::size_t i = 0; i < length; ++i) {
            bits |= text[i].unicode();
            ascii[i] = static_cast<char>(text[i].unicode());
        }
        if (bits < 0x80 && std::memchr(ascii, 0, length) == nullptr) {
            ascii[length] = '\0';
            st.bindNoCopy(index, static_cast<const char*>(ascii));
            return;
        }
    }
    bindValue(st, index, value);
}
inline void bindValue(SQLite::Statement& st, int index, const QDateTime& value, RowTexts& texts) {
    char text[20];
    char* kept = texts.room(sizeof text);
    if (kept && storeDateChars(value, text)) {
        std::memcpy(kept, text, sizeof text);
        st.bindNoCopy(index, static_cast<const char*>(kept));
        return;
    }
    bindValue(st, index, value);
}
template <typename T>
void bindValue(SQLite::Statement& st, int index, const std::optional<T>& value, RowTexts& texts) {
    if (value)
        bindValue(st, index, *value, texts);
    else
        st.bind(index);
}

// Binds the values to the statement's parameters 1, 2, ... in the order given.
template <typename... Values> void bindValues(SQLite::Statement& st, const Values&... values) {
    int index = 0;
    (bindValue(st, ++index, values), ...);
}
// The same for a reader, whose parameters are whole numbers.
template <typename... Values> void bindValues(RowReader& reader, const Values&... values) {
    int index = 0;
    (reader.bind(++index, static_cast<qint64>(values)), ...);
}

// --- a table's columns ------------------------------------------------------------------------------

// Readies a row read before for the next row: what no column reads goes back to its first value (the
// columns write over all the rest). A row type read into again needs its overload here.
inline void clearUnreadMembers(CallRow& row) {
    row.workstation = 1; // a store in a file has the one
}
inline void clearUnreadMembers(OrderRow& row) {
    row.nullColumns.clear();
}
inline void clearUnreadMembers(ItemRow& row) {
    row.nullColumns.clear();
}
template <typename Row> void clearUnreadMembers(Row& row) {
    row = Row{};
}

// One column of a table as a record type holds it.
template <typename Row> struct TableColumn {
    const char* name; // as the statements name it
    void (*read)(Row& row, const ColumnValue& value);
    // nullptr: an insert leaves it out
    void (*bind)(SQLite::Statement& st, int index, const Row& row, RowTexts& texts);
};

namespace detail {

template <typename Member> struct MemberPointer;
template <typename Row, typename Value> struct MemberPointer<Value Row::*> {
    using RowType = Row;
    using ValueType = Value;
};
template <auto member> using RowOf = typename MemberPointer<decltype(member)>::RowType;
template <auto member> using ValueOf = typename MemberPointer<decltype(member)>::ValueType;

template <auto member> void read(RowOf<member>& row, const ColumnValue& value) {
    readValue(row.*member, value);
}

template <auto member>
void bind(SQLite::Statement& st, int index, const RowOf<member>& row, RowTexts& texts) {
    bindValue(st, index, row.*member, texts);
}

template <auto member> void readForOrderFile(RowOf<member>& row, const ColumnValue& value) {
    if (value.isNull())
        row.nullColumns.append(QString::fromUtf8(value.getName()));
    if constexpr (std::is_same_v<ValueOf<member>, int>)
        row.*member = wholeNumberOf(value);
    else
        readValue(row.*member, value);
}

} // namespace detail

// A column read into the member and written by an insert.
template <auto member> constexpr TableColumn<detail::RowOf<member>> column(const char* name) {
    return {name, &detail::read<member>, &detail::bind<member>};
}

// A column read into the member that an insert leaves out (the row number, and columns that later
// updates set).
template <auto member> constexpr TableColumn<detail::RowOf<member>> selectOnly(const char* name) {
    return {name, &detail::read<member>, nullptr};
}

// A column the order file is written from: a Null is noted by its name in the row's nullColumns (the
// member then holds a mere stand-in), and a number is read as a whole number (wholeNumberOf).
template <auto member> constexpr TableColumn<detail::RowOf<member>> orderFileColumn(const char* name) {
    return {name, &detail::readForOrderFile<member>, &detail::bind<member>};
}

// "SELECT <the columns> <rest>", and the rows of such a statement read by the same columns.
template <typename Row> class RowSelect {
public:
    // rest follows the column list, e.g. "FROM Calls WHERE Source = ?"; qualifier goes before each
    // column's name (a table's alias with its dot, when rest joins tables). A position column (the row
    // number) follows the row's columns when named: read with position(), never into the row.
    RowSelect(std::span<const TableColumn<Row>> columns, std::string_view rest,
              std::string_view qualifier = {}, std::string_view positionColumn = {})
        : m_columns(columns) {
        m_sql = "SELECT ";
        for (const TableColumn<Row>& c : m_columns) {
            if (&c != &m_columns.front())
                m_sql += ", ";
            m_sql += qualifier;
            m_sql += c.name;
        }
        if (!positionColumn.empty()) {
            m_sql += ", ";
            m_sql += qualifier;
            m_sql += positionColumn;
        }
        m_sql += ' ';
        m_sql += rest;
    }

    // The text, at an address that stays the same (the statement cache finds it by its address).
    const char* sql() const { return m_sql.c_str(); }

    // The row the statement stands on.
    Row read(SQLite::Statement& st) const {
        Row row;
        for (int i = 0; i < static_cast<int>(m_columns.size()); ++i) {
            const SQLite::Column column = st.getColumn(i);
            m_columns[i].read(row, ColumnValue(column));
        }
        return row;
    }

    // The same from a reader.
    Row read(RowReader& reader) const {
        Row row;
        readColumns(row, reader);
        return row;
    }
    // The same into a row read before, which keeps the room of its texts.
    void readInto(Row& row, RowReader& reader) const {
        clearUnreadMembers(row);
        readColumns(row, reader);
    }

    // The position column of the row the statement stands on.
    qint64 position(SQLite::Statement& st) const {
        return st.getColumn(static_cast<int>(m_columns.size())).getInt64();
    }
    qint64 position(RowReader& reader) const {
        return sqlite3_column_int64(reader.handle(), static_cast<int>(m_columns.size()));
    }

    // The first row the statement gives, if any.
    std::optional<Row> first(SQLite::Statement& st) const {
        if (st.executeStep())
            return read(st);
        return std::nullopt;
    }

    // Every row the statement gives.
    std::vector<Row> all(SQLite::Statement& st) const {
        std::vector<Row> rows;
        while (st.executeStep())
            rows.push_back(read(st));
        return rows;
    }
    std::vector<Row> all(RowReader& reader) const {
        std::vector<Row> rows;
        allInto(rows, reader);
        return rows;
    }
    // Every row the reader gives, into rows: the rows there are read into again, the others dropped.
    // onRow(reader) runs while the reader stands on each row (to read its position).
    template <typename OnRow = void (*)(RowReader&)>
    void allInto(
        std::vector<Row>& rows, RowReader& reader, OnRow onRow = [](RowReader&) {}) const {
        std::size_t count = 0;
        while (reader.step()) {
            if (count < rows.size())
                readInto(rows[count], reader);
            else
                readColumns(rows.emplace_back(), reader);
            ++count;
            onRow(reader);
        }
        rows.resize(count);
    }

private:
    // The row's columns, read over what the row holds.
    void readColumns(Row& row, RowReader& reader) const {
        sqlite3_stmt* const stmt = reader.handle();
        for (int i = 0; i < static_cast<int>(m_columns.size()); ++i)
            m_columns[i].read(row, ColumnValue(stmt, i));
    }

    std::span<const TableColumn<Row>> m_columns;
    std::string m_sql;
};

template <typename Row, std::size_t N>
RowSelect(const TableColumn<Row> (&)[N], std::string_view) -> RowSelect<Row>;
template <typename Row, std::size_t N>
RowSelect(const TableColumn<Row> (&)[N], std::string_view, std::string_view) -> RowSelect<Row>;
template <typename Row, std::size_t N>
RowSelect(const TableColumn<Row> (&)[N], std::string_view, std::string_view, std::string_view)
    -> RowSelect<Row>;

// "INSERT INTO <table> (<the written columns>) VALUES (?, ...)", and a row bound to it by the same columns.
template <typename Row> class RowInsert {
public:
    RowInsert(std::string_view table, std::span<const TableColumn<Row>> columns) : m_columns(columns) {
        std::string names;
        std::string parameters;
        for (const TableColumn<Row>& c : m_columns) {
            if (!c.bind)
                continue;
            if (!names.empty()) {
                names += ", ";
                parameters += ", ";
            }
            names += c.name;
            parameters += '?';
        }
        m_sql = "INSERT INTO ";
        m_sql += table;
        m_sql += " (" + names + ") VALUES (" + parameters + ")";
    }

    const char* sql() const { return m_sql.c_str(); }

    // The texts are bound out of texts, which must outlive the statement's run.
    void bind(SQLite::Statement& st, const Row& row, RowTexts& texts) const {
        int index = 0;
        for (const TableColumn<Row>& c : m_columns) {
            if (c.bind)
                c.bind(st, ++index, row, texts);
        }
    }

private:
    std::span<const TableColumn<Row>> m_columns;
    std::string m_sql;
};

template <typename Row, std::size_t N>
RowInsert(std::string_view, const TableColumn<Row> (&)[N]) -> RowInsert<Row>;

// --- cached statements ------------------------------------------------------------------------------

// Resets a cached statement when the operation using it ends, so no read stays open, and clears its
// bound values, unless every use binds all of them anew (the inserts of RowInsert).
class Use {
public:
    enum class Bindings { Clear, RenewedEachUse };
    explicit Use(SQLite::Statement& st, Bindings bindings = Bindings::Clear)
        : m_st(st), m_bindings(bindings) {}
    ~Use() {
        try {
            m_st.reset();
            if (m_bindings == Bindings::Clear)
                m_st.clearBindings();
        } catch (...) {
        }
    }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    SQLite::Statement* operator->() { return &m_st; }
    SQLite::Statement& operator*() { return m_st; }

private:
    SQLite::Statement& m_st;
    Bindings m_bindings;
};

// Binds the row to the insert's statement and runs it; the row's texts stay until it has run.
template <typename Row>
void runInsert(const RowInsert<Row>& insert, SQLite::Statement& statement, const Row& row) {
    RowTexts texts;
    Use st(statement, Use::Bindings::RenewedEachUse);
    insert.bind(*st, row, texts);
    st->exec();
}

} // namespace vrq
