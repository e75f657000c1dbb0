#pragma once

#include "platform/Result.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace vrq {

class CallStore;
class Store;
namespace pg {
class Session;
} // namespace pg

// Test support, not for the program: the program reaches its tables through the store's parts only.
// The tests use it to reach the store's tables directly, in SQL, to break them (a dropped table, a
// trigger that refuses rows, a transaction held open), to write what no store method writes (Nulls an
// older program left, values another program wrote) and to read rows back as text. Only Qt and the
// program's own types cross it, so the tests do not depend on the engine behind the store.
class StoreProbe {
public:
    // What rows() gives for a Null column.
    static constexpr const char* kNull = "<null>";

    explicit StoreProbe(Store& store);

    // Runs statements that give no rows (several, separated by semicolons, run in turn).
    Result exec(const QString& sql);
    // The first column of the query's first row as a number; nullopt when the query fails, gives no
    // row or gives Null there.
    std::optional<qint64> scalar(const QString& sql);
    // Every row of the query, in order, its columns as text joined by '|' (a Null column as kNull).
    // Empty, with the failure in *result, when the query fails.
    QStringList rows(const QString& sql, Result* result = nullptr);
    // The names of the query's columns, in order (the query is prepared, not run).
    QStringList columnNames(const QString& sql, Result* result = nullptr);
    // How long a statement waits for a lock that another connection holds; 0: it fails at once.
    // On PostgreSQL the SQL is the server's own, and a yes/no column reads t or f.
    Result setLockTimeout(int milliseconds);

private:
    CallStore* m_store = nullptr; // a SQLite store
    pg::Session* m_pg = nullptr;  // a PostgreSQL store
};

} // namespace vrq
