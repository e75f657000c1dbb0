#pragma once

// The PostgreSQL end of a copy of a store: this workstation's rows written by COPY, all in one
// transaction. Included by the store's own sources only.

#include "platform/Result.h"
#include "store/StoreCopyTables.h"

#include <QByteArray>
#include <vector>

namespace vrq::pg {

class Session;

class CopyTarget {
public:
    explicit CopyTarget(Session& session) : m_s(session) {}
    ~CopyTarget();
    CopyTarget(const CopyTarget&) = delete;
    CopyTarget& operator=(const CopyTarget&) = delete;

    // Opens the transaction and makes a second copy for the same workstation wait until this one ends.
    Result begin();
    Result commit();
    void rollback();

    // The rows of this workstation the table holds (in the open transaction).
    Result countRows(const storecopy::Table& table, qint64* count);

    // One table's rows: startTable, a putRow per row, endTable with the rows the server took. A
    // failure of the rows' source goes to endTable as abortReason, which refuses the whole COPY.
    Result startTable(const storecopy::Table& table);
    Result putRow(const std::vector<storecopy::Value>& row);
    Result endTable(const QString& abortReason, qint64* copied);

private:
    Result sendBuffer();

    Session& m_s;
    QByteArray m_buffer;
    QByteArray m_station;
    bool m_open = false;
};

} // namespace vrq::pg
