#pragma once

#include "platform/Result.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

struct pg_conn;
struct pg_result;

namespace vrq::pg {

// What went wrong with a PostgreSQL call, from the server's SQLSTATE or the connection's state. The
// Result a call returns carries it as its code.
enum class Failure { None = 0, Other = 1, Duplicate = 2, Retry = 3, ConnectionLost = 4, NoPrivilege = 5 };

Failure failureForSqlState(const QString& sqlState);
Failure failureOf(const Result& result);

// One parameter: text, or SQL NULL when empty.
using Param = std::optional<QString>;

// The rows of one statement, as text (nullopt for NULL).
struct Rows {
    QStringList columns;
    std::vector<std::vector<std::optional<QString>>> values;
    long long affected = 0;
};

// One execution of a prepared statement in a pipeline batch.
struct Execution {
    QString statement;
    std::vector<Param> params;
};

// Checks a libpq connection string and adds the keepalive settings it does not set. Refuses a string
// that carries a password: passwords come from the password file, never from the settings.
Result prepareConnectionString(const QString& conninfo, QString* completed);

// One connection to the server. Every call returns a Result; none throws.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Result open(const QString& conninfo);
    // Opens again with the connection string of the last open (after the server was lost).
    Result reopen();
    // Connected, and no statement has found the connection broken since.
    bool isOpen() const;
    // Whether a transaction is open, and whether a failed statement has spoilt it (it can then only be
    // rolled back: a COMMIT would end it as a rollback).
    bool inTransaction() const;
    bool transactionFailed() const;

    // Statements without parameters or results of interest (DDL, transaction control).
    Result exec(const QString& sql);
    Result prepare(const QString& name, const QString& sql, int paramCount);
    Result execPrepared(const QString& name, const std::vector<Param>& params, Rows* rows = nullptr);
    // A statement run once, its parameters bound apart from its text (for statements too rare to keep
    // prepared: the schema checks, the copy of a store).
    Result query(const QString& sql, const std::vector<Param>& params, Rows* rows = nullptr);
    // Sends every execution in pipeline mode with one sync, then reads every result: one round trip.
    // rows, when given, receives one entry per execution.
    Result execBatch(const std::vector<Execution>& batch, std::vector<Rows>* rows = nullptr);

    // COPY ... FROM STDIN: beginCopy sends the statement, putCopyData the rows in the server's text
    // form, endCopy ends the copy and gives how many rows the server took. A non-empty abortReason makes
    // the server refuse the whole COPY instead (and so spoils the open transaction).
    Result beginCopy(const QString& sql);
    Result putCopyData(const QByteArray& data);
    Result endCopy(const QString& abortReason, long long* rows);

private:
    Result fromResult(pg_result* res, const QString& what, Rows* rows);
    Result connectionFailure(const QString& what) const;

    pg_conn* m_conn = nullptr;
    QString m_conninfo;  // as given to open, for reopen
    bool m_lost = false; // a statement found the connection broken: it is not used again
};

} // namespace vrq::pg
