// The tests' direct way into the store's tables. It goes through the connection's database(), which first
// writes the counters the store keeps in memory, so what it reads is what the store holds.
#include "store/StoreProbe.h"

#include "store/sqlite/CallStore.h"
#include "store/sqlite/SqliteStore.h"
#include "store/sqlite/StoreAttempt.h"

#include <SQLiteCpp/SQLiteCpp.h>

namespace vrq {

// Only a SQLite store has tables the probe can reach in SQL.
StoreProbe::StoreProbe(Store& store) : m_store(dynamic_cast<SqliteStore&>(store).connection()) {}

Result StoreProbe::exec(const QString& sql) {
    return attempt([&] { m_store.database().exec(sql.toStdString()); });
}

std::optional<qint64> StoreProbe::scalar(const QString& sql) {
    return attempt(nullptr, [&]() -> std::optional<qint64> {
        SQLite::Statement st(m_store.database(), sql.toStdString());
        if (!st.executeStep() || st.getColumn(0).isNull())
            return std::nullopt;
        return st.getColumn(0).getInt64();
    });
}

QStringList StoreProbe::rows(const QString& sql, Result* result) {
    return attempt(result, [&] {
        SQLite::Statement st(m_store.database(), sql.toStdString());
        QStringList rows;
        QStringList columns;
        while (st.executeStep()) {
            columns.clear();
            for (int i = 0; i < st.getColumnCount(); ++i) {
                const SQLite::Column column = st.getColumn(i);
                columns.append(column.isNull() ? QString::fromLatin1(kNull)
                                               : QString::fromUtf8(column.getText()));
            }
            rows.append(columns.join(u'|'));
        }
        return rows;
    });
}

QStringList StoreProbe::columnNames(const QString& sql, Result* result) {
    return attempt(result, [&] {
        SQLite::Statement st(m_store.database(), sql.toStdString());
        QStringList names;
        for (int i = 0; i < st.getColumnCount(); ++i)
            names.append(QString::fromUtf8(st.getColumnName(i)));
        return names;
    });
}

Result StoreProbe::setLockTimeout(int milliseconds) {
    return attempt([&] { m_store.database().setBusyTimeout(milliseconds); });
}

} // namespace vrq
