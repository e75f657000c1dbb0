// A SQLite store copied into a PostgreSQL store: the SQLite side reads, the PostgreSQL side writes by
// COPY, and this file holds them together in one transaction with the counts checked before the commit.
#include "store/StoreCopy.h"

#include "settings/StoreConnection.h"
#include "store/StoreCopyTables.h"
#include "store/pg/PgConnection.h"
#include "store/pg/PgCopyTarget.h"
#include "store/pg/PgStore.h"
#include "store/sqlite/SqliteRowSource.h"

#include <array>

namespace vrq {

namespace {

using Counts = std::array<qint64, storecopy::kTables.size()>;

StoreCopyOutcome failedWith(StoreCopyFailure failure, const QString& message) {
    StoreCopyOutcome outcome;
    outcome.failure = failure;
    outcome.message = message;
    return outcome;
}

StoreCopyOutcome undone(StoreCopyFailure failure, const QString& reason) {
    return failedWith(
        failure, QStringLiteral("The copy was undone; the PostgreSQL store is as it was. %1").arg(reason));
}

template <typename Count> Result countAll(Count count, Counts* counts) {
    for (std::size_t t = 0; t < storecopy::kTables.size(); ++t) {
        if (Result r = count(storecopy::kTables[t], &(*counts)[t]); !r)
            return r;
    }
    return Result::success();
}

QString tableName(std::size_t t) {
    return QString::fromLatin1(storecopy::kTables[t].name);
}

// "Calls 3, Audit 12": the tables that hold rows.
QString heldRows(const Counts& counts) {
    QStringList held;
    for (std::size_t t = 0; t < counts.size(); ++t) {
        if (counts[t] > 0)
            held << QStringLiteral("%1 %2").arg(tableName(t)).arg(counts[t]);
    }
    return held.join(QStringLiteral(", "));
}

// The first table whose rows in the SQLite store, rows the server took and rows now in the target
// differ; empty when every table agrees.
QString countsDisagreement(const Counts& source, const Counts& copied, const Counts& target) {
    for (std::size_t t = 0; t < source.size(); ++t) {
        if (source[t] != copied[t] || source[t] != target[t])
            return QStringLiteral("%1: %2 rows in the SQLite store, %3 taken by the server, %4 in the "
                                  "PostgreSQL store.")
                .arg(tableName(t))
                .arg(source[t])
                .arg(copied[t])
                .arg(target[t]);
    }
    return {};
}

// One table's rows from the source into the target's COPY.
Result copyTable(SqliteRowSource& source, pg::CopyTarget& target, const storecopy::Table& table,
                 qint64* copied) {
    if (Result r = target.startTable(table); !r)
        return r;
    const Result read =
        source.forEachRow(table, [&](const SqliteRowSource::Row& row) { return target.putRow(row); });
    const Result ended = target.endTable(read ? QString() : read.message, copied);
    return read ? ended : read;
}

StoreCopyOutcome copyRows(SqliteRowSource& source, pg::Session& session, int workstation) {
    pg::CopyTarget target(session);
    Counts before{};
    if (Result r = target.begin(); !r)
        return failedWith(StoreCopyFailure::CopyFailed, r.message);
    if (Result r = countAll([&](const auto& t, qint64* n) { return target.countRows(t, n); }, &before); !r)
        return failedWith(StoreCopyFailure::CopyFailed, r.message);
    if (const QString held = heldRows(before); !held.isEmpty())
        return failedWith(StoreCopyFailure::TargetNotEmpty,
                          QStringLiteral("The PostgreSQL store already holds rows of workstation %1 (%2); "
                                         "a copy goes only into a store without them, and nothing was "
                                         "copied.")
                              .arg(workstation)
                              .arg(held));
    Counts held{};
    Counts copied{};
    Counts after{};
    if (Result r = source.beginSnapshot(); !r)
        return failedWith(StoreCopyFailure::SourceUnreadable, r.message);
    if (Result r = countAll([&](const auto& t, qint64* n) { return source.countRows(t, n); }, &held); !r)
        return failedWith(StoreCopyFailure::SourceUnreadable, r.message);
    for (std::size_t t = 0; t < storecopy::kTables.size(); ++t) {
        if (Result r = copyTable(source, target, storecopy::kTables[t], &copied[t]); !r)
            return undone(StoreCopyFailure::CopyFailed, r.message);
    }
    if (Result r = countAll([&](const auto& t, qint64* n) { return target.countRows(t, n); }, &after); !r)
        return undone(StoreCopyFailure::CopyFailed, r.message);
    if (const QString differ = countsDisagreement(held, copied, after); !differ.isEmpty())
        return undone(StoreCopyFailure::CountsDiffer, differ);
    if (Result r = target.commit(); !r)
        return undone(StoreCopyFailure::CopyFailed, r.message);
    StoreCopyOutcome outcome;
    outcome.counts = {held[0], held[1], held[2], held[3]};
    return outcome;
}

} // namespace

StoreCopyOutcome copyStoreToPostgres(const QString& sqlitePath, const QString& connection, int workstation) {
    // A password, or a text libpq cannot read, is refused before anything is opened. The connection
    // comes from the command line here, not from the settings the common refusal speaks of.
    if (StoreConnection::holdsPassword(connection))
        return failedWith(StoreCopyFailure::Refused,
                          QStringLiteral("The connection given holds a password; keep it in ~/.pgpass or a "
                                         "service file instead."));
    QString completed;
    if (Result r = pg::prepareConnectionString(connection, &completed); !r)
        return failedWith(StoreCopyFailure::Refused, r.message);
    Result result;
    std::unique_ptr<SqliteRowSource> source = SqliteRowSource::open(sqlitePath, &result);
    if (!source)
        return failedWith(StoreCopyFailure::SourceUnreadable, result.message);
    std::unique_ptr<PgStore> target = PgStore::open(connection, workstation, StoreAccess::ReadWrite, &result);
    if (!target)
        return failedWith(pg::failureOf(result) == pg::Failure::ConnectionLost ? StoreCopyFailure::Unreachable
                                                                               : StoreCopyFailure::CopyFailed,
                          result.message);
    return copyRows(*source, target->session(), workstation);
}

} // namespace vrq
