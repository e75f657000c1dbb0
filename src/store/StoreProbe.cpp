// The tests' direct way into the store's tables. It goes through the connection's database(), which first
// writes the counters the store keeps in memory, so what it reads is what the store holds.
#include "store/StoreProbe.h"

#include "store/pg/PgSession.h"
#include "store/pg/PgStore.h"
#include "store/sqlite/CallStore.h"
#include "store/sqlite/SqliteStore.h"
#include "store/sqlite/StoreAttempt.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <algorithm>

namespace vrq {

namespace {

// The rows of a query on the PostgreSQL store's connection, after what the store kept for later.
Result pgRows(pg::Session& session, const QString& sql, pg::Rows* rows) {
    if (Result kept = session.flush(); !kept)
        return kept;
    return session.connection().query(sql, {}, rows);
}

} // namespace

StoreProbe::StoreProbe(Store& store) {
    if (auto* pgStore = dynamic_cast<PgStore*>(&store))
        m_pg = &pgStore->session();
    else
        m_store = &dynamic_cast<SqliteStore&>(store).connection();
}

Result StoreProbe::exec(const QString& sql) {
    if (m_pg) {
        if (Result kept = m_pg->flush(); !kept)
            return kept;
        return m_pg->connection().exec(sql);
    }
    return attempt([&] { m_store->database().exec(sql.toStdString()); });
}

std::optional<qint64> StoreProbe::scalar(const QString& sql) {
    if (m_pg) {
        pg::Rows rows;
        if (!pgRows(*m_pg, sql, &rows) || rows.values.empty() || rows.values[0].empty() || !rows.values[0][0])
            return std::nullopt;
        return rows.values[0][0]->toLongLong();
    }
    return attempt(nullptr, [&]() -> std::optional<qint64> {
        SQLite::Statement st(m_store->database(), sql.toStdString());
        if (!st.executeStep() || st.getColumn(0).isNull())
            return std::nullopt;
        return st.getColumn(0).getInt64();
    });
}

QStringList StoreProbe::rows(const QString& sql, Result* result) {
    if (m_pg) {
        pg::Rows read;
        const Result r = pgRows(*m_pg, sql, &read);
        if (result)
            *result = r;
        QStringList rows;
        for (const auto& row : read.values) {
            QStringList columns;
            for (const auto& value : row)
                columns.append(value.value_or(QString::fromLatin1(kNull)));
            rows.append(columns.join(u'|'));
        }
        return rows;
    }
    return attempt(result, [&] {
        SQLite::Statement st(m_store->database(), sql.toStdString());
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
    if (m_pg) {
        pg::Rows read;
        const Result r = pgRows(*m_pg, sql, &read);
        if (result)
            *result = r;
        return read.columns;
    }
    return attempt(result, [&] {
        SQLite::Statement st(m_store->database(), sql.toStdString());
        QStringList names;
        for (int i = 0; i < st.getColumnCount(); ++i)
            names.append(QString::fromUtf8(st.getColumnName(i)));
        return names;
    });
}

Result StoreProbe::setLockTimeout(int milliseconds) {
    // The server's 0 means no limit: the shortest wait it knows stands for none.
    if (m_pg)
        return m_pg->connection().exec(
            QStringLiteral("SET lock_timeout = %1").arg(std::max(milliseconds, 1)));
    return attempt([&] { m_store->database().setBusyTimeout(milliseconds); });
}

} // namespace vrq
