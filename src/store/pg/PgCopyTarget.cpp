// Rows into this workstation's tables by COPY in its text form: one line per row, values apart by tabs,
// \N for Null, and the backslash, tab, newline and carriage return of a text escaped.
#include "store/pg/PgCopyTarget.h"

#include "store/TabTextEscape.h"
#include "store/pg/PgSession.h"

#include <string>

namespace vrq::pg {

namespace {

// Sent to the server whenever this much is gathered: few calls, little memory.
constexpr qsizetype kCopyChunk = qsizetype{256} * 1024;

// Held until the transaction ends: a second copy for the workstation waits, then finds the rows.
const Statement kCopyLock{"copy_lock", "SELECT pg_advisory_xact_lock(7207002, $1::integer)"};

struct CountStatement {
    const char* table;
    Statement statement;
};
const CountStatement kCounts[] = {
    {"Calls", {"copy_count_calls", "SELECT count(*) FROM Calls WHERE Workstation = $1"}},
    {"Orders", {"copy_count_orders", "SELECT count(*) FROM Orders WHERE Workstation = $1"}},
    {"OrderLineItems", {"copy_count_items", "SELECT count(*) FROM OrderLineItems WHERE Workstation = $1"}},
    {"Audit", {"copy_count_audit", "SELECT count(*) FROM Audit WHERE Workstation = $1"}},
};

// "COPY <table> (Workstation, <columns>) FROM STDIN", from the copy's constants.
QString copyStatement(const storecopy::Table& table) {
    std::string sql = "COPY ";
    sql += table.name;
    sql += " (Workstation";
    for (const storecopy::Column& c : table.columns) {
        sql += ", ";
        sql += c.name;
    }
    sql += ") FROM STDIN";
    return QString::fromStdString(sql);
}

} // namespace

CopyTarget::~CopyTarget() {
    rollback();
}

Result CopyTarget::begin() {
    if (Result r = m_s.begin(); !r)
        return r;
    m_open = true;
    m_station = m_s.station().value_or(QString()).toUtf8();
    return m_s.run(kCopyLock, {m_s.station()});
}

// The session's own transaction: a commit of a transaction a failed statement spoilt rolls it back.
Result CopyTarget::commit() {
    m_open = false;
    return m_s.commit();
}

void CopyTarget::rollback() {
    if (!m_open)
        return;
    m_open = false;
    m_s.rollback();
}

Result CopyTarget::countRows(const storecopy::Table& table, qint64* count) {
    for (const CountStatement& counting : kCounts) {
        if (qstrcmp(counting.table, table.name) != 0)
            continue;
        Rows rows;
        Result r = m_s.run(counting.statement, {m_s.station()}, &rows);
        if (r)
            *count = rows.values.empty() ? 0 : int64Of(rows.values.front().front());
        return r;
    }
    return Result::failure(QStringLiteral("no count for table %1").arg(QString::fromLatin1(table.name)));
}

Result CopyTarget::startTable(const storecopy::Table& table) {
    m_buffer.clear();
    return m_s.connection().beginCopy(copyStatement(table));
}

Result CopyTarget::putRow(const std::vector<storecopy::Value>& row) {
    m_buffer += m_station;
    for (const storecopy::Value& value : row) {
        m_buffer += '\t';
        if (value)
            appendTabTextEscaped(m_buffer, *value);
        else
            m_buffer += "\\N";
    }
    m_buffer += '\n';
    return m_buffer.size() >= kCopyChunk ? sendBuffer() : Result::success();
}

Result CopyTarget::sendBuffer() {
    Result r = m_s.connection().putCopyData(m_buffer);
    m_buffer.clear();
    return r;
}

Result CopyTarget::endTable(const QString& abortReason, qint64* copied) {
    Result sent = abortReason.isEmpty() && !m_buffer.isEmpty() ? sendBuffer() : Result::success();
    m_buffer.clear();
    long long rows = 0;
    Result ended = m_s.connection().endCopy(sent ? abortReason : sent.message, &rows);
    *copied = rows;
    return sent ? ended : sent;
}

} // namespace vrq::pg
