#include "store/pg/PgConnection.h"

#include "settings/StoreConnection.h"

#include <libpq-fe.h>

#include <QByteArray>

namespace vrq::pg {

namespace {

struct ResultDeleter {
    void operator()(PGresult* r) const { PQclear(r); }
};
using ResultPtr = std::unique_ptr<PGresult, ResultDeleter>;

struct ConninfoDeleter {
    void operator()(PQconninfoOption* o) const { PQconninfoFree(o); }
};

Result failed(Failure kind, const QString& message) {
    if (kind == Failure::Duplicate) {
        return Result::duplicate(static_cast<int>(kind), message);
    }
    if (kind == Failure::ConnectionLost) {
        return Result::unreachable(static_cast<int>(kind), message);
    }
    return Result::failure(static_cast<int>(kind), message);
}

QString serverMessage(const PGconn* conn) {
    return QString::fromUtf8(PQerrorMessage(conn)).trimmed();
}

} // namespace

Failure failureForSqlState(const QString& sqlState) {
    if (sqlState == QLatin1String("23505")) {
        return Failure::Duplicate;
    }
    if (sqlState == QLatin1String("40001") || sqlState == QLatin1String("40P01")) {
        return Failure::Retry;
    }
    if (sqlState.startsWith(QLatin1String("08")) || sqlState == QLatin1String("57P01")) {
        return Failure::ConnectionLost;
    }
    if (sqlState == QLatin1String("42501")) {
        return Failure::NoPrivilege;
    }
    return Failure::Other;
}

Failure failureOf(const Result& result) {
    if (result.ok()) {
        return Failure::None;
    }
    if (result.code < static_cast<int>(Failure::Other) ||
        result.code > static_cast<int>(Failure::NoPrivilege)) {
        return Failure::Other;
    }
    return static_cast<Failure>(result.code);
}

Result prepareConnectionString(const QString& conninfo, QString* completed) {
    // The same rule, and message, as the settings check: a password never comes from the settings.
    if (const QString refusal = StoreConnection::passwordRefusal(conninfo); !refusal.isEmpty())
        return Result::failure(refusal);
    char* error = nullptr;
    std::unique_ptr<PQconninfoOption, ConninfoDeleter> options(
        PQconninfoParse(conninfo.toUtf8().constData(), &error));
    if (!options) {
        QString message = error ? QString::fromUtf8(error).trimmed() : QStringLiteral("out of memory");
        PQfreemem(error);
        return Result::failure(QStringLiteral("Database connection string not understood: %1").arg(message));
    }
    // What the connection gets unless the string says otherwise: a server that stops answering is
    // noticed within about a minute, and one that never answers does not hold a pass for longer.
    struct Default {
        const char* keyword;
        const char* value;
        bool set;
    };
    Default defaults[] = {{"keepalives", "1", false},
                          {"keepalives_idle", "20", false},
                          {"keepalives_interval", "5", false},
                          {"keepalives_count", "4", false},
                          {"connect_timeout", "15", false}};
    for (PQconninfoOption* o = options.get(); o->keyword; ++o) {
        for (Default& d : defaults)
            d.set |= qstrcmp(o->keyword, d.keyword) == 0 && o->val != nullptr && *o->val != '\0';
    }
    // A URI cannot take keywords after it; its parameters go after a '?' or '&'.
    const bool uri = conninfo.startsWith(QLatin1String("postgresql://")) ||
                     conninfo.startsWith(QLatin1String("postgres://"));
    QStringList extra;
    for (const Default& d : defaults) {
        if (!d.set)
            extra << QString::fromLatin1(d.keyword) + QLatin1Char('=') + QString::fromLatin1(d.value);
    }
    QString out = conninfo.trimmed();
    if (!extra.isEmpty()) {
        if (uri) {
            out += (out.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) +
                   extra.join(QLatin1Char('&'));
        } else {
            out += (out.isEmpty() ? QString() : QStringLiteral(" ")) + extra.join(QLatin1Char(' '));
        }
    }
    *completed = out;
    return Result::success();
}

Connection::Connection() = default;

Connection::~Connection() {
    if (m_conn) {
        PQfinish(m_conn);
    }
}

bool Connection::isOpen() const {
    return m_conn && PQstatus(m_conn) == CONNECTION_OK && !m_lost;
}

bool Connection::inTransaction() const {
    if (!m_conn)
        return false;
    const PGTransactionStatusType status = PQtransactionStatus(m_conn);
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
}

bool Connection::transactionFailed() const {
    return m_conn && PQtransactionStatus(m_conn) == PQTRANS_INERROR;
}

Result Connection::open(const QString& conninfo) {
    QString completed;
    if (Result r = prepareConnectionString(conninfo, &completed); !r) {
        return r;
    }
    m_conninfo = conninfo;
    m_lost = false;
    if (m_conn) {
        PQfinish(m_conn);
    }
    m_conn = PQconnectdb(completed.toUtf8().constData());
    if (!m_conn) {
        return failed(Failure::ConnectionLost, QStringLiteral("Database connection failed: out of memory"));
    }
    if (PQstatus(m_conn) != CONNECTION_OK) {
        return failed(Failure::ConnectionLost,
                      QStringLiteral("Database connection failed: %1").arg(serverMessage(m_conn)));
    }
    return Result::success();
}

Result Connection::reopen() {
    return open(m_conninfo);
}

Result Connection::connectionFailure(const QString& what) const {
    const QString detail = m_conn ? serverMessage(m_conn) : QStringLiteral("not connected");
    return failed(Failure::ConnectionLost, QStringLiteral("%1: connection lost: %2").arg(what, detail));
}

Result Connection::fromResult(PGresult* raw, const QString& what, Rows* rows) {
    ResultPtr res(raw);
    if (!res) {
        return connectionFailure(what);
    }
    const ExecStatusType st = PQresultStatus(res.get());
    if (st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK) {
        if (rows) {
            rows->columns.clear();
            rows->values.clear();
            const int nf = PQnfields(res.get());
            for (int c = 0; c < nf; ++c) {
                rows->columns << QString::fromUtf8(PQfname(res.get(), c));
            }
            const int nt = PQntuples(res.get());
            rows->values.reserve(static_cast<size_t>(nt));
            for (int r = 0; r < nt; ++r) {
                std::vector<std::optional<QString>> row;
                row.reserve(static_cast<size_t>(nf));
                for (int c = 0; c < nf; ++c) {
                    if (PQgetisnull(res.get(), r, c)) {
                        row.emplace_back(std::nullopt);
                    } else {
                        row.emplace_back(
                            QString::fromUtf8(PQgetvalue(res.get(), r, c), PQgetlength(res.get(), r, c)));
                    }
                }
                rows->values.push_back(std::move(row));
            }
            rows->affected = QByteArray(PQcmdTuples(res.get())).toLongLong();
        }
        return Result::success();
    }
    const char* state = PQresultErrorField(res.get(), PG_DIAG_SQLSTATE);
    const QString message = QString::fromUtf8(PQresultErrorMessage(res.get())).trimmed();
    // The server sends a SQLSTATE with every error it reports; an error without one is libpq's own, and
    // here that means the connection broke (libpq says so before it marks the connection bad).
    Failure kind = state ? failureForSqlState(QString::fromLatin1(state)) : Failure::ConnectionLost;
    if (PQstatus(m_conn) == CONNECTION_BAD) {
        kind = Failure::ConnectionLost;
    }
    m_lost = m_lost || kind == Failure::ConnectionLost;
    const QString text = kind == Failure::ConnectionLost
                             ? QStringLiteral("%1: connection lost: %2").arg(what, message)
                             : QStringLiteral("%1 failed: %2").arg(what, message);
    return failed(kind, text);
}

Result Connection::exec(const QString& sql) {
    if (!m_conn) {
        return connectionFailure(QStringLiteral("Statement"));
    }
    return fromResult(PQexec(m_conn, sql.toUtf8().constData()),
                      QStringLiteral("Statement \"%1\"").arg(sql.left(60)), nullptr);
}

Result Connection::prepare(const QString& name, const QString& sql, int paramCount) {
    if (!m_conn) {
        return connectionFailure(QStringLiteral("Prepare %1").arg(name));
    }
    return fromResult(
        PQprepare(m_conn, name.toUtf8().constData(), sql.toUtf8().constData(), paramCount, nullptr),
        QStringLiteral("Prepare %1").arg(name), nullptr);
}

namespace {

// Keeps the UTF-8 bytes of the parameters alive while libpq reads them.
struct EncodedParams {
    explicit EncodedParams(const std::vector<Param>& params) {
        bytes.reserve(params.size());
        for (const Param& p : params) {
            bytes.push_back(p ? p->toUtf8() : QByteArray());
        }
        for (size_t i = 0; i < params.size(); ++i) {
            pointers.push_back(params[i] ? bytes[i].constData() : nullptr);
        }
    }
    std::vector<QByteArray> bytes;
    std::vector<const char*> pointers;
};

} // namespace

Result Connection::execPrepared(const QString& name, const std::vector<Param>& params, Rows* rows) {
    if (!m_conn) {
        return connectionFailure(QStringLiteral("Statement %1").arg(name));
    }
    const EncodedParams encoded(params);
    return fromResult(PQexecPrepared(m_conn, name.toUtf8().constData(), static_cast<int>(params.size()),
                                     encoded.pointers.data(), nullptr, nullptr, 0),
                      QStringLiteral("Statement %1").arg(name), rows);
}

Result Connection::query(const QString& sql, const std::vector<Param>& params, Rows* rows) {
    const QString what = QStringLiteral("Statement \"%1\"").arg(sql.left(60));
    if (!m_conn) {
        return connectionFailure(what);
    }
    const EncodedParams encoded(params);
    return fromResult(PQexecParams(m_conn, sql.toUtf8().constData(), static_cast<int>(params.size()), nullptr,
                                   encoded.pointers.data(), nullptr, nullptr, 0),
                      what, rows);
}

Result Connection::execBatch(const std::vector<Execution>& batch, std::vector<Rows>* rows) {
    const QString what = QStringLiteral("Batch of %1 statements").arg(batch.size());
    if (!isOpen()) {
        return connectionFailure(what);
    }
    if (!PQenterPipelineMode(m_conn)) {
        return failed(Failure::Other,
                      QStringLiteral("%1: pipeline mode refused: %2").arg(what, serverMessage(m_conn)));
    }
    if (rows) {
        rows->assign(batch.size(), Rows{});
    }
    Result first = Result::success();
    bool sendFailed = false;
    for (const Execution& e : batch) {
        const EncodedParams encoded(e.params);
        if (!PQsendQueryPrepared(m_conn, e.statement.toUtf8().constData(), static_cast<int>(e.params.size()),
                                 encoded.pointers.data(), nullptr, nullptr, 0)) {
            sendFailed = true;
            break;
        }
    }
    if (sendFailed || !PQpipelineSync(m_conn)) {
        Result r = connectionFailure(what);
        if (PQstatus(m_conn) == CONNECTION_OK) {
            PQexitPipelineMode(m_conn);
        }
        return r;
    }
    // Each execution's result ends with a null; after an error the rest come back PGRES_PIPELINE_ABORTED;
    // the sync's result ends the batch.
    size_t index = 0;
    for (;;) {
        PGresult* raw = PQgetResult(m_conn);
        if (!raw) {
            if (PQstatus(m_conn) == CONNECTION_BAD) {
                return connectionFailure(what);
            }
            // More ends than executions means the stream is broken; never wait on it forever.
            if (++index > batch.size()) {
                return connectionFailure(what);
            }
            continue;
        }
        const ExecStatusType st = PQresultStatus(raw);
        if (st == PGRES_PIPELINE_SYNC) {
            PQclear(raw);
            break;
        }
        if (st == PGRES_PIPELINE_ABORTED) {
            PQclear(raw);
            continue;
        }
        const QString name = index < batch.size() ? batch[index].statement : QStringLiteral("?");
        Result r = fromResult(
            raw, QStringLiteral("Statement %1 (%2 of %3)").arg(name).arg(index + 1).arg(batch.size()),
            rows && index < rows->size() ? &(*rows)[index] : nullptr);
        if (!r && first) {
            first = r;
        }
        if (failureOf(r) == Failure::ConnectionLost) {
            return r;
        }
    }
    PQexitPipelineMode(m_conn);
    return first;
}

Result Connection::beginCopy(const QString& sql) {
    const QString what = QStringLiteral("Statement \"%1\"").arg(sql.left(60));
    if (!m_conn)
        return connectionFailure(what);
    ResultPtr res(PQexec(m_conn, sql.toUtf8().constData()));
    if (res && PQresultStatus(res.get()) == PGRES_COPY_IN)
        return Result::success();
    Result r = fromResult(res.release(), what, nullptr);
    // A statement that succeeded without starting a copy is no copy either.
    return r ? failed(Failure::Other, QStringLiteral("%1 started no copy").arg(what)) : r;
}

Result Connection::putCopyData(const QByteArray& data) {
    if (!m_conn || PQputCopyData(m_conn, data.constData(), static_cast<int>(data.size())) != 1)
        return connectionFailure(QStringLiteral("Copy"));
    return Result::success();
}

Result Connection::endCopy(const QString& abortReason, long long* rows) {
    const QByteArray reason = abortReason.toUtf8();
    if (!m_conn || PQputCopyEnd(m_conn, abortReason.isEmpty() ? nullptr : reason.constData()) != 1)
        return connectionFailure(QStringLiteral("Copy"));
    // The copy's own result, then the end of the results; every one is read so the connection is free.
    Result first = Result::success();
    Rows counted;
    bool any = false;
    while (PGresult* raw = PQgetResult(m_conn)) {
        Result r = fromResult(raw, QStringLiteral("Copy"), any ? nullptr : &counted);
        if (!r && first)
            first = r;
        any = true;
        if (PQstatus(m_conn) == CONNECTION_BAD)
            return connectionFailure(QStringLiteral("Copy"));
    }
    if (rows)
        *rows = counted.affected;
    return first;
}

} // namespace vrq::pg
