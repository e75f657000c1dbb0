#pragma once

#include "platform/Result.h"
#include "store/StoreCopyTables.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace vrq {

class CallStore;

// The rows of a SQLite store file as a copy into another store carries them (storecopy::Kind): read
// only, every table in one state of the file, each table in its row order. Every value is checked on
// the way: a number the other store cannot hold whole stops the reading with a message naming it.
class SqliteRowSource {
public:
    using Row = std::vector<storecopy::Value>;
    using Visit = std::function<Result(const Row& row)>;

    // Opens an existing store file for reading: nullptr and the failure when it is missing,
    // unreadable, damaged or not in the form the program's start-up upgrade leaves (the copy knows the
    // columns of that form only).
    static std::unique_ptr<SqliteRowSource> open(const QString& path, Result* result);
    ~SqliteRowSource();
    SqliteRowSource(const SqliteRowSource&) = delete;
    SqliteRowSource& operator=(const SqliteRowSource&) = delete;

    // Starts and ends the one read every count and row comes from.
    Result beginSnapshot();
    void endSnapshot();

    Result countRows(const storecopy::Table& table, qint64* count);
    // Calls visit with each row of the table in turn; a failure of visit stops the reading and is given
    // back.
    Result forEachRow(const storecopy::Table& table, const Visit& visit);

private:
    explicit SqliteRowSource(std::unique_ptr<CallStore> store);

    std::unique_ptr<CallStore> m_store;
    bool m_snapshotOpen = false;
};

} // namespace vrq
