// The PostgreSQL store's connection: statements prepared on first use, and units of work as
// transactions and savepoints.
#include "store/pg/PgSession.h"

#include "store/StoreDates.h"

#include <QThread>

namespace vrq::pg {

namespace {

const Statement kBegin{"begin", "BEGIN"};
const Statement kCommit{"commit", "COMMIT"};
const Statement kRollback{"rollback", "ROLLBACK"};
const Statement kSavepoint{"unit_begin", "SAVEPOINT unit"};
const Statement kRelease{"unit_commit", "RELEASE SAVEPOINT unit"};
const Statement kRollbackUnit{"unit_rollback", "ROLLBACK TO SAVEPOINT unit"};
// The second key is the workstation: one lock per workstation of the database, apart from the keys of
// the one-number form that the schema's creation uses.
const Statement kClaimWorkstation{"workstation_claim", "SELECT pg_try_advisory_lock(7207003, $1::integer)"};
constexpr int kClaimAttempts = 20;
constexpr unsigned long kClaimRetryMs = 100;
const Statement kBeginRead{"read_begin", "BEGIN ISOLATION LEVEL REPEATABLE READ, READ ONLY"};

Result spoilt() {
    return Result::failure(static_cast<int>(Failure::Other),
                           QStringLiteral("the unit of work was undone: one of its statements failed"));
}

} // namespace

Param param(const QDateTime& value) {
    char text[20];
    if (storeDateChars(value, text))
        return QString::fromLatin1(text, 19);
    if (value.isValid())
        return storeDateText(value);
    return std::nullopt;
}

Param arrayOf(const std::vector<Param>& values) {
    QString text(QLatin1Char('{'));
    for (const Param& value : values) {
        if (text.size() > 1)
            text += QLatin1Char(',');
        if (!value) {
            text += QLatin1String("NULL");
            continue;
        }
        text += QLatin1Char('"');
        for (const QChar c : *value) {
            if (c.isNull())
                break;
            if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
                text += QLatin1Char('\\');
            text += c;
        }
        text += QLatin1Char('"');
    }
    text += QLatin1Char('}');
    return text;
}

QDateTime dateOf(const Value& v) {
    return v ? storeDateFromText(*v) : QDateTime();
}

Result fits(const QString& text, int width, const char* column) {
    if (text.size() <= width)
        return Result::success();
    return Result::failure(static_cast<int>(Failure::Other),
                           QStringLiteral("CHECK constraint failed: length(%1) <= %2")
                               .arg(QString::fromLatin1(column))
                               .arg(width));
}

Result duplicateKey() {
    return Result::duplicate(kDuplicateKeyError,
                             QStringLiteral("The changes were not made because they would create a duplicate "
                                            "value in the primary key."));
}

// --- statements -------------------------------------------------------------------------------------

Result Session::prepared(const Statement& statement) {
    if (m_prepared.count(statement.name))
        return Result::success();
    Result r = m_conn.prepare(QString::fromLatin1(statement.name), QString::fromLatin1(statement.sql), 0);
    if (r)
        m_prepared.insert(statement.name);
    return r;
}

void Session::queueHeld() {
    if (m_groupOpen && m_unitOpen && !m_savepointSent) {
        // The group's rows go before the savepoint, the unit's after it, so that undoing the unit
        // undoes its own rows only.
        for (HeldRows* held : m_holders)
            held->queueHeld(Held::OfGroup);
        m_later.emplace_back(&kSavepoint, std::vector<Param>{});
        m_savepointSent = true;
        ++m_savepoints;
    }
    for (HeldRows* held : m_holders)
        held->queueHeld(Held::All);
}

void Session::dropHeld(Held which) {
    for (HeldRows* held : m_holders)
        held->dropHeld(which);
}

void Session::markUnit() {
    for (HeldRows* held : m_holders)
        held->markUnit();
}

Result Session::runPastHeld(const Statement& statement, const std::vector<Param>& params, Rows* rows) {
    if (!m_later.empty())
        return run(statement, params, rows);
    if (Result r = prepared(statement); !r)
        return r;
    ++m_sends;
    return m_conn.execPrepared(QString::fromLatin1(statement.name), params, rows);
}

Result Session::run(const Statement& statement, const std::vector<Param>& params, Rows* rows) {
    queueHeld();
    if (!m_later.empty()) {
        std::vector<Rows> results;
        Result r = runBatch({{&statement, params}}, rows ? &results : nullptr);
        if (rows && !results.empty())
            *rows = std::move(results.back());
        return r;
    }
    if (Result r = prepared(statement); !r)
        return r;
    ++m_sends;
    Result r = m_conn.execPrepared(QString::fromLatin1(statement.name), params, rows);
    if (failureOf(r) == Failure::Duplicate)
        return duplicateKey();
    return r;
}

Result Session::runBatch(const std::vector<std::pair<const Statement*, std::vector<Param>>>& batch,
                         std::vector<Rows>* rows) {
    queueHeld();
    // What was kept goes first; it stays kept when a statement cannot even be prepared.
    for (const auto& entry : m_later) {
        if (Result r = prepared(*entry.first); !r)
            return r;
    }
    for (const auto& entry : batch) {
        if (Result r = prepared(*entry.first); !r)
            return r;
    }
    std::vector<std::pair<const Statement*, std::vector<Param>>> all = std::move(m_later);
    m_later.clear();
    const std::size_t kept = all.size();
    all.insert(all.end(), batch.begin(), batch.end());
    std::vector<Execution> executions;
    executions.reserve(all.size());
    for (const auto& [statement, params] : all)
        executions.push_back({QString::fromLatin1(statement->name), params});
    std::vector<Rows> results;
    ++m_sends;
    Result r = m_conn.execBatch(executions, rows ? &results : nullptr);
    if (rows) {
        rows->clear();
        for (std::size_t i = kept; i < results.size(); ++i)
            rows->push_back(std::move(results[i]));
    }
    if (failureOf(r) == Failure::Duplicate)
        return duplicateKey();
    return r;
}

void Session::runLater(const Statement& statement, std::vector<Param> params) {
    m_later.emplace_back(&statement, std::move(params));
}

Result Session::flush() {
    queueHeld();
    if (m_later.empty())
        return Result::success();
    return runBatch({});
}

// --- the connection ----------------------------------------------------------------------------------

Result Session::configure() {
    // Texts in UTF-8 and dates in the form the store reads, whatever the server's defaults are. The
    // keepalives are the server's side of the connection's own: a desk whose network is gone loses its
    // session, and with it its workstation's lock and its claims, within about a minute rather than the
    // two hours of the system's default (a Unix socket has none and ignores them).
    if (Result r =
            m_conn.exec(QStringLiteral("SET client_encoding = 'UTF8'; SET DateStyle = 'ISO, YMD'; "
                                       "SET tcp_keepalives_idle = 20; SET tcp_keepalives_interval = 5; "
                                       "SET tcp_keepalives_count = 4"));
        !r)
        return r;
    if (m_readOnly)
        return m_conn.exec(QStringLiteral("SET default_transaction_read_only = on"));
    return Result::success();
}

Result Session::claimWorkstation() {
    m_claimWanted = true;
    if (m_claimHeld)
        return Result::success();
    // Another desk settling this workstation's order files holds its number for a moment: asked again
    // for a little while before the number counts as in use.
    for (int attempt = 0; attempt < kClaimAttempts; ++attempt) {
        if (attempt > 0)
            QThread::msleep(kClaimRetryMs);
        Rows rows;
        if (Result r = run(kClaimWorkstation, {m_station}, &rows); !r)
            return r;
        m_claimHeld = !rows.values.empty() && boolOf(rows.values.front().front());
        if (m_claimHeld)
            return Result::success();
    }
    return Result::inUse(
        QStringLiteral("%1: workstation %2 is in use by another copy of the program. Each workstation "
                       "sharing a database needs its own number ([Store] Workstation in the settings); "
                       "a copied settings file keeps the number it was copied with.")
            .arg(m_where)
            .arg(m_workstation));
}

Result Session::reconnect() {
    if (m_conn.isOpen())
        return m_claimWanted ? claimWorkstation() : Result::success();
    m_claimHeld = false;
    m_prepared.clear();
    dropHeld(Held::All);
    m_later.clear();
    m_groupOpen = false;
    m_unitOpen = false;
    m_savepoints = 0;
    if (Result r = m_conn.reopen(); !r)
        return r;
    if (Result r = configure(); !r)
        return r;
    return m_claimWanted ? claimWorkstation() : Result::success();
}

// --- units of work ------------------------------------------------------------------------------------

bool Session::inTransaction() const {
    return m_groupOpen || m_conn.inTransaction();
}

Result Session::commitTransaction() {
    if (Result r = flush(); !r) {
        // A row the server refuses (not a lost server) would fail the group again at every pass, and
        // with it the calls before the refused one: until a transaction ends well, each unit sends its
        // rows when it commits, so that only the refused one fails.
        m_unitsSendAtCommit = failureOf(r) != Failure::ConnectionLost;
        run(kRollback, {});
        return r;
    }
    if (m_conn.transactionFailed()) {
        m_unitsSendAtCommit = true;
        run(kRollback, {});
        return spoilt();
    }
    Result r = run(kCommit, {});
    if (!r && m_conn.inTransaction())
        run(kRollback, {});
    if (r)
        m_unitsSendAtCommit = false;
    return r;
}

Result Session::begin() {
    if (!m_refusal.isEmpty())
        return refused();
    if (!m_groupOpen) {
        Result r = run(kBegin, {});
        if (r)
            markUnit();
        return r;
    }
    if (m_savepoints >= kSavepointsPerTransaction) {
        // The units committed so far reach the store now; the group goes on in a new transaction.
        if (Result r = commitTransaction(); !r) {
            m_groupOpen = false;
            return r;
        }
        if (Result r = run(kBegin, {}); !r) {
            m_groupOpen = false;
            return r;
        }
        m_savepoints = 0;
    }
    // The savepoint goes with the unit's first statement, if it sends one: a unit whose rows are all
    // held begins, commits and is undone without the server.
    m_unitOpen = true;
    m_savepointSent = false;
    markUnit();
    return Result::success();
}

Result Session::commit() {
    if (!m_groupOpen)
        return commitTransaction();
    if (!m_unitOpen)
        return Result::failure(1, QStringLiteral("the unit of work was undone"));
    if (!m_savepointSent && !m_unitsSendAtCommit) {
        // Its rows stay held with the group's and reach the store with them.
        m_unitOpen = false;
        return Result::success();
    }
    queueHeld();
    m_later.emplace_back(&kRelease, std::vector<Param>{});
    Result r = flush();
    if (r)
        m_unitOpen = false;
    return r; // a unit that cannot be released is rolled back by its caller
}

void Session::rollback() {
    if (!m_groupOpen) {
        dropHeld(Held::All);
        m_later.clear();
        if (m_conn.inTransaction())
            run(kRollback, {});
        return;
    }
    if (!m_unitOpen)
        return;
    dropHeld(Held::OfUnit);
    m_unitOpen = false;
    if (!m_savepointSent)
        return;
    flush(); // what was kept belongs to the group; a failure spoils the group itself
    if (run(kRollbackUnit, {}))
        run(kRelease, {});
}

Result Session::beginGroup() {
    if (!m_refusal.isEmpty())
        return refused();
    Result r = run(kBegin, {});
    if (r) {
        m_groupOpen = true;
        m_unitOpen = false;
        m_savepoints = 0;
    }
    return r;
}

Result Session::endGroup() {
    if (!m_groupOpen)
        return Result::success();
    m_groupOpen = false;
    m_unitOpen = false;
    return commitTransaction();
}

void Session::abandonGroup() {
    dropHeld(Held::All);
    m_later.clear();
    if (!m_groupOpen)
        return;
    m_groupOpen = false;
    m_unitOpen = false;
    if (m_conn.inTransaction())
        run(kRollback, {});
}

Result Session::beginRead(bool* own) {
    *own = !inTransaction();
    if (!*own)
        return flush();
    return run(kBeginRead, {});
}

void Session::endRead(bool own) {
    if (!own || !m_conn.inTransaction())
        return;
    if (!run(kCommit, {}))
        run(kRollback, {});
}

} // namespace vrq::pg
