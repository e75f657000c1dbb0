#pragma once

// The PostgreSQL store's one connection with what its parts share: the workstation every row is stamped
// with, the statements prepared on first use, and the units of work (a unit's savepoint goes to the
// server with the unit's first statement, in one round trip). Included by the store's own sources only.

#include "platform/Result.h"
#include "store/StoreRecords.h"
#include "store/pg/PgConnection.h"

#include <QDateTime>
#include <QString>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vrq::pg {

// One statement of the store: a name to prepare it under and its text with $1, $2, ... (the server
// reads each value's type from where it stands).
struct Statement {
    const char* name;
    const char* sql;
};

// Values as the server reads them: whole numbers, true/false, dates as "YYYY-MM-DD HH:MM:SS" local time
// (as the SQLite store keeps them), an invalid date or an empty optional as NULL.
inline Param param(int value) {
    return QString::number(value);
}
inline Param param(qint64 value) {
    return QString::number(value);
}
inline Param param(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}
inline Param param(const QString& value) {
    return value;
}
Param param(const QDateTime& value);
template <typename T> Param param(const std::optional<T>& value) {
    return value ? param(*value) : Param{};
}
Param param(const char*) = delete; // a literal would else be bound as a yes/no

// The values as one array value, {"a","b",NULL}, for statements that write many rows at once. A text
// ends at its first NUL character, as a single value sent to the server does.
Param arrayOf(const std::vector<Param>& values);

// A column of a row read as text: the same values the SQLite store gives for it.
using Value = std::optional<QString>;
inline int intOf(const Value& v) {
    return v ? v->toInt() : 0;
}
inline qint64 int64Of(const Value& v) {
    return v ? v->toLongLong() : 0;
}
inline bool boolOf(const Value& v) {
    return v && *v == QLatin1String("t");
}
inline QString textOf(const Value& v) {
    return v.value_or(QString());
}
QDateTime dateOf(const Value& v);
inline std::optional<int> optionalIntOf(const Value& v) {
    return v ? std::optional<int>(v->toInt()) : std::nullopt;
}
inline std::optional<QString> optionalTextOf(const Value& v) {
    return v;
}

// The most savepoints one transaction holds: past the server's cache of subtransactions every other
// session's look at the rows costs more. A group reaching it is committed and begun again.
constexpr int kSavepointsPerTransaction = 60;

// Which of a part's held rows: those held before the open unit of work began (the group's), those held
// since (the unit's), or all.
enum class Held { OfGroup, OfUnit, All };

// Rows a part holds in memory while a transaction is open, to write each once with its final values
// and many in one statement: queued for the server before any other statement of the session goes out
// (at the latest when the transaction ends), and dropped with the unit of work or group they belong to.
class HeldRows {
public:
    virtual ~HeldRows() = default;
    // The rows held from now on belong to the unit of work that begins.
    virtual void markUnit() = 0;
    // Queues the rows (Held::OfGroup or Held::All) ahead of what goes out next, and forgets them.
    virtual void queueHeld(Held which) = 0;
    virtual void dropHeld(Held which) = 0;
};

// The rows one part holds, with where the open unit's rows begin.
template <typename Row> class HeldList {
public:
    std::vector<Row>& rows() { return m_rows; }
    const std::vector<Row>& rows() const { return m_rows; }
    // The open unit's rows: those from this index on.
    std::size_t unitBegins() const { return m_unitBegins; }
    void markUnit() { m_unitBegins = m_rows.size(); }
    // Takes out the rows to write: the group's (before the unit) or all.
    std::vector<Row> take(Held which) {
        std::vector<Row> taken;
        if (which == Held::OfGroup) {
            taken.assign(std::make_move_iterator(m_rows.begin()),
                         std::make_move_iterator(m_rows.begin() + qsizetype(m_unitBegins)));
            m_rows.erase(m_rows.begin(), m_rows.begin() + qsizetype(m_unitBegins));
        } else if (which == Held::All) {
            taken.swap(m_rows);
        }
        m_unitBegins = 0;
        return taken;
    }
    void drop(Held which) {
        if (which == Held::OfUnit) {
            m_rows.erase(m_rows.begin() + qsizetype(m_unitBegins), m_rows.end());
            return;
        }
        m_rows.clear();
        m_unitBegins = 0;
    }

private:
    std::vector<Row> m_rows;
    std::size_t m_unitBegins = 0;
};

class Session {
public:
    Session(int workstation, bool readOnly)
        : m_workstation(workstation), m_station(param(workstation)), m_readOnly(readOnly) {}

    Connection& connection() { return m_conn; }
    // The workstation as the statements' first value.
    const Param& station() const { return m_station; }
    int workstation() const { return m_workstation; }
    bool readOnly() const { return m_readOnly; }
    // The connection as the person should read it.
    const QString& where() const { return m_where; }
    void setWhere(const QString& where) { m_where = where; }

    // Runs the statement with the values, preparing it on its first use; what was kept for the next
    // round trip goes first, in the same one.
    Result run(const Statement& statement, const std::vector<Param>& params, Rows* rows = nullptr);
    // Runs the statements in one round trip, in order; rows gets one entry per statement.
    Result runBatch(const std::vector<std::pair<const Statement*, std::vector<Param>>>& batch,
                    std::vector<Rows>* rows = nullptr);
    // Runs a read of rows under one key without the held rows going first: only when no row is held
    // under that key.
    Result runPastHeld(const Statement& statement, const std::vector<Param>& params, Rows* rows);
    // Keeps a statement that gives no rows for the next round trip (a held row's part queues its rows
    // with it).
    void runLater(const Statement& statement, std::vector<Param> params);
    // Sends what was kept and held for the next round trip.
    Result flush();
    // How many times statements went to the server: a part that read something can tell whether
    // anything may have changed it since (only another program could, when this is unchanged).
    quint64 sends() const { return m_sends; }
    // The parts whose held rows go out before every round trip.
    void addHeldRows(HeldRows* held) { m_holders.push_back(held); }
    void removeHeldRows(HeldRows* held) { std::erase(m_holders, held); }

    // --- units of work ---------------------------------------------------------------------------
    Result begin();
    Result commit();
    void rollback();
    bool inTransaction() const;
    Result beginGroup();
    Result endGroup();
    void abandonGroup();
    bool inGroup() const { return m_groupOpen; }
    // Whether a unit of work is open: a savepoint of the open group, or a transaction of its own.
    bool unitOpen() const { return m_groupOpen ? m_unitOpen : m_conn.inTransaction(); }
    // A read transaction that sees one state of the store, unless a transaction is open already;
    // ended by endRead.
    Result beginRead(bool* own);
    void endRead(bool own);

    // Sets what every connection of the store needs (texts, dates, read-only); run after each open.
    Result configure();
    // Opens the connection again when it was lost, forgetting what the lost one held: its prepared
    // statements, kept statements and open units (the server undid them), and claims the workstation
    // again when it was claimed. Nothing to do when it is open and holds its claim.
    Result reconnect();
    // Takes the session's lock on the workstation's number (held until the connection ends); InUse
    // when another session holds it.
    Result claimWorkstation();

    void refuseWrites(const QString& reason) { m_refusal = reason; }
    const QString& refusal() const { return m_refusal; }
    Result refused() const { return Result::failure(m_refusal); }

private:
    Result prepared(const Statement& statement);
    Result control(const Statement& statement);
    // Queues what must go before the next statement: the held rows, after the open unit's savepoint
    // (sent with the first statement the unit sends, never when it sends none).
    void queueHeld();
    void dropHeld(Held which);
    void markUnit();
    // Ends the open transaction; a transaction a failed statement spoilt is rolled back and reported.
    Result commitTransaction();

    Connection m_conn;
    int m_workstation;
    Param m_station;
    bool m_readOnly;
    QString m_where;
    QString m_refusal;
    std::set<std::string> m_prepared;
    std::vector<std::pair<const Statement*, std::vector<Param>>> m_later;
    std::vector<HeldRows*> m_holders;
    quint64 m_sends = 0;
    bool m_groupOpen = false;
    bool m_unitOpen = false;
    bool m_savepointSent = false;     // of the open unit of the group
    int m_savepoints = 0;             // sent in the open transaction of the group
    bool m_unitsSendAtCommit = false; // after rows held in a group were refused
    bool m_claimWanted = false;       // claimWorkstation was asked for
    bool m_claimHeld = false;         // by this connection
};

// The text fits a column of width characters, as the SQLite store's length checks have it; the
// refusal names the column as theirs do.
Result fits(const QString& text, int width, const char* column);
// A failure of a statement that the SQLite store would report as a duplicate key: the same number and
// text, so the audit entries read the same.
Result duplicateKey();

} // namespace vrq::pg
