// The Audit table, what the viewers read and the About box's figures. The About box and the display
// marks are this workstation's; a viewer read with a scope binds the workstation as $1, 0 for all of them.
//
// The audit filter's text is found as the SQLite store's LIKE finds it: ASCII letters in any case,
// every other character as it is. Both sides are lowered in the C collation, which lowers ASCII only.
// Salespeople and customers are compared without their trailing blanks, letter case counting.
#include "store/pg/PgParts.h"

#include <algorithm>

namespace vrq::pg {

namespace {

#define VRQ_AUDIT_COLUMNS "AuditDNT, EventDNT, Type, Msg, Seq, Instance, Workstation "
// The filter's fields as bound values; a NULL switches its condition off.
#define VRQ_FILTERED_AUDIT                                                                                   \
    "FROM Audit WHERE ($1 = 0 OR Workstation = $1) AND ($2::text IS NULL OR Type = $2) AND "                 \
    "($3::timestamp IS NULL OR AuditDNT >= $3) AND ($4::timestamp IS NULL OR AuditDNT < $4) AND "            \
    "($5::text IS NULL OR lower(Msg COLLATE \"C\") LIKE $5 ESCAPE '\\') "

const Statement kInsertAudit{"audit_insert",
                             "INSERT INTO Audit (Workstation, AuditDNT, EventDNT, Type, Msg, Seq, Instance) "
                             "VALUES ($1, $2, $3, $4, $5, $6, $7)"};
const Statement kInsertHeldAudit{
    "audit_insert_held",
    "INSERT INTO Audit (Workstation, AuditDNT, EventDNT, Type, Msg, Seq, Instance) SELECT $1::smallint, "
    "a.ad, "
    "a.ed, a.ty, a.ms, a.sq, a.it FROM unnest($2::timestamp[], $3::timestamp[], $4::text[], $5::text[], "
    "$6::integer[], $7::text[]) WITH ORDINALITY AS a(ad, ed, ty, ms, sq, it, n) ORDER BY a.n"};
// Nulls sort first going up and last going down, as the SQLite store sorts them.
// The audit files in the host folder and the purge are the whole site's.
const Statement kExportableAudit{"audit_exportable",
                                 "SELECT " VRQ_AUDIT_COLUMNS "FROM Audit WHERE Type <> '' "
                                 "ORDER BY AuditDNT NULLS FIRST, Seq NULLS FIRST, Id"};
const Statement kDeleteAudit{"audit_delete", "DELETE FROM Audit WHERE AuditDNT <= $1"};
const Statement kAllAudit{"audit_all",
                          "SELECT " VRQ_AUDIT_COLUMNS "FROM Audit WHERE Workstation = $1 ORDER BY Id"};
const Statement kNewestAudit{"audit_newest",
                             "SELECT " VRQ_AUDIT_COLUMNS VRQ_FILTERED_AUDIT
                             "ORDER BY AuditDNT DESC NULLS LAST, Seq DESC NULLS LAST, Id DESC"};
const Statement kOldestAudit{"audit_oldest", "SELECT " VRQ_AUDIT_COLUMNS VRQ_FILTERED_AUDIT
                                             "ORDER BY AuditDNT NULLS FIRST, Seq NULLS FIRST, Id"};
const Statement kDayCounts{"audit_day_counts",
                           "SELECT count(*) FILTER (WHERE Type = 'G'), count(*) FILTER (WHERE Type = 'B') "
                           "FROM Audit WHERE Workstation = $1 AND Type IN ('G', 'B') AND AuditDNT >= $2 AND "
                           "AuditDNT < $3"};

// The calls window: the marks of this workstation's calls.
const Statement kResetDisplayed{"calls_reset_displayed",
                                "UPDATE Calls SET Displayed = false WHERE Workstation = $1 AND Displayed"};
// The rows marked now, with their Id to put them in the calls' order: one statement, so no call
// completed meanwhile is marked without being read.
const Statement kTakeUndisplayed{
    "calls_take_undisplayed",
    "UPDATE Calls SET Displayed = true WHERE Workstation = $1 AND NOT Displayed AND "
    "Complete RETURNING Source, CallNumber, CallDNT, GoodCall, ExtractedCall, Workstation, Id"};
// Every complete call, and the marks of the rows that differ from Complete set to it.
const Statement kRetakeAll{
    "calls_retake_all", "WITH marked AS (UPDATE Calls SET Displayed = Complete WHERE Workstation = $1 AND "
                        "Displayed <> Complete RETURNING Id) SELECT Source, CallNumber, CallDNT, GoodCall, "
                        "ExtractedCall, Workstation, Id FROM Calls WHERE Workstation = $1 AND Complete "
                        "ORDER BY Id"};
// The other workstations' complete calls, their marks untouched. The stamp sums them up (how many, and
// a digest of their keys and the columns the window shows): when it equals $2 one row with the stamp
// alone comes back, else the calls with the stamp in each. One statement, so stamp and calls agree.
const Statement kOtherCalls{
    "calls_other_workstations",
    "WITH others AS (SELECT Id, Workstation, Source, CallNumber, CallDNT, GoodCall, ExtractedCall FROM Calls "
    "WHERE Workstation <> $1 AND Complete), stamp AS (SELECT count(*) || ':' || coalesce(md5(string_agg("
    "concat_ws(',', Id, Workstation, Source, CallNumber, CallDNT, GoodCall, ExtractedCall), ';' ORDER BY "
    "Id)), '') AS text FROM others) SELECT stamp.text, others.Source, others.CallNumber, others.CallDNT, "
    "others.GoodCall, others.ExtractedCall, others.Workstation FROM stamp LEFT JOIN others ON stamp.text "
    "<> $2::text ORDER BY others.Id"};

// The orders with their calls that meet the condition, in the calls' order and then by order.
#define VRQ_ORDERS_WITH_CALLS(condition)                                                                     \
    "SELECT Calls.Source, Calls.CallNumber, Calls.CallDNT, Orders.Salesperson, Orders.Customer, "            \
    "Calls.Workstation FROM Calls JOIN Orders ON Orders.Workstation = Calls.Workstation AND "                \
    "Orders.Source = Calls.Source AND Orders.CallNumber = Calls.CallNumber WHERE ($1 = 0 OR "                \
    "Calls.Workstation = $1) AND " condition " ORDER BY Calls.Id, Orders.OrderSeqNumber"
const Statement kOrdersOfSalesperson{
    "views_salesperson", VRQ_ORDERS_WITH_CALLS("rtrim(Orders.Salesperson, ' ') = rtrim($2, ' ')")};
const Statement kOrdersOfCustomer{"views_customer",
                                  VRQ_ORDERS_WITH_CALLS("rtrim(Orders.Customer, ' ') = rtrim($2, ' ')")};
const Statement kOrdersOfDay{"views_day",
                             VRQ_ORDERS_WITH_CALLS("Calls.CallDNT >= $2 AND Calls.CallDNT < $3")};
const Statement kCallsBetween{"views_calls_between",
                              "SELECT Source, CallNumber, CallDNT, GoodCall, Complete, ExtractedCall, "
                              "NumberOfOrders, Workstation FROM Calls WHERE ($1 = 0 OR Workstation = $1) AND "
                              "CallDNT >= $2 AND CallDNT <= $3 ORDER BY CallDNT, Id"};
const Statement kOrdersOfListedCall{"views_listed_call_orders",
                                    "SELECT Source, CallNumber, OrderSeqNumber, Salesperson, Customer, "
                                    "NumberOfItems FROM Orders WHERE Workstation = $1 AND Source = $2 AND "
                                    "CallNumber = $3 ORDER BY OrderSeqNumber"};

const Statement kCallCount{"summary_calls", "SELECT count(*) FROM Calls WHERE Workstation = $1"};
// Entries are written in time order: the newest of a type is found from the end.
const Statement kLastIntake{"summary_last_intake", "SELECT AuditDNT FROM Audit WHERE Workstation = $1 AND "
                                                   "Type IN ('G', 'B') ORDER BY Id DESC LIMIT 1"};
const Statement kLastExport{"summary_last_export", "SELECT AuditDNT FROM Audit WHERE Workstation = $1 AND "
                                                   "Type = 'X' ORDER BY Id DESC LIMIT 1"};

using Row = std::vector<Value>;

AuditRow auditOf(const Row& v) {
    AuditRow row;
    row.auditDnt = dateOf(v[0]);
    row.eventDnt = dateOf(v[1]);
    row.type = textOf(v[2]);
    row.msg = textOf(v[3]);
    if (v[4])
        row.seq = v[4]->toLongLong();
    row.instance = optionalTextOf(v[5]);
    row.workstation = intOf(v[6]);
    return row;
}

CallDisplayRow displayOf(const Row& v) {
    return {intOf(v[0]), intOf(v[1]), dateOf(v[2]), boolOf(v[3]), boolOf(v[4]), intOf(v[5])};
}

OrderViewRow orderViewOf(const Row& v) {
    return {intOf(v[0]), intOf(v[1]), dateOf(v[2]), textOf(v[3]), textOf(v[4]), intOf(v[5])};
}

OrderRow listedOrderOf(const Row& v) {
    OrderRow row;
    row.source = intOf(v[0]);
    row.callNumber = intOf(v[1]);
    row.orderSeqNumber = intOf(v[2]);
    row.salesperson = textOf(v[3]);
    row.customer = textOf(v[4]);
    row.numberOfItems = intOf(v[5]);
    return row;
}

CallRow reportCallOf(const Row& v) {
    CallRow row;
    row.source = intOf(v[0]);
    row.callNumber = intOf(v[1]);
    row.callDnt = dateOf(v[2]);
    row.goodCall = boolOf(v[3]);
    row.complete = boolOf(v[4]);
    row.extractedCall = boolOf(v[5]);
    row.numberOfOrders = intOf(v[6]);
    row.workstation = intOf(v[7]);
    return row;
}

template <typename Out, typename Read>
std::vector<Out> readAll(Session& s, const Statement& st, const std::vector<Param>& params, Read read,
                         Result* result) {
    Rows rows;
    const Result r = s.run(st, params, &rows);
    if (result)
        *result = r;
    std::vector<Out> out;
    if (!r)
        return out;
    out.reserve(rows.values.size());
    for (const Row& v : rows.values)
        out.push_back(read(v));
    return out;
}

// The workstation a read with a scope binds as $1: 0 reads every workstation's rows.
Param scopeOf(const Session& s, ViewScope scope) {
    return scope == ViewScope::AllWorkstations ? param(0) : s.station();
}

Param dayStart(const QDate& day) {
    return day.isValid() ? param(QDateTime(day, QTime(0, 0))) : Param{};
}

// A LIKE pattern that finds text anywhere, its own wildcards and escape character taken literally, its
// ASCII letters lowered.
Param containsPattern(const QString& text) {
    if (text.isEmpty())
        return {};
    QString escaped = QStringLiteral("%");
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            escaped += QLatin1Char('\\');
        escaped += c.unicode() >= u'A' && c.unicode() <= u'Z' ? QChar(c.unicode() + (u'a' - u'A')) : c;
    }
    return escaped + QLatin1Char('%');
}

// The calls a display statement marked, in the calls' order (by the Id in their last column).
std::vector<CallDisplayRow> displayRowsInOrder(Rows& rows) {
    std::sort(rows.values.begin(), rows.values.end(),
              [](const Row& a, const Row& b) { return int64Of(a.back()) < int64Of(b.back()); });
    std::vector<CallDisplayRow> out;
    out.reserve(rows.values.size());
    for (const Row& v : rows.values)
        out.push_back(displayOf(v));
    return out;
}

} // namespace

// --- audit ----------------------------------------------------------------------------------------------

Result PgAuditRecords::insertAudit(const AuditRow& row) {
    if (!m_s.refusal().isEmpty())
        return m_s.refused();
    for (const Result& r : {fits(row.type, 1, "Type"), fits(row.msg, 150, "Msg"),
                            fits(row.instance.value_or(QString()), 1, "Instance")}) {
        if (!r)
            return r;
    }
    if (m_s.inTransaction() && row.type != QLatin1String("E")) {
        m_held.rows().push_back(row);
        return Result::success();
    }
    return m_s.run(kInsertAudit, {m_s.station(), param(row.auditDnt), param(row.eventDnt), param(row.type),
                                  param(row.msg), param(row.seq), param(row.instance)});
}

void PgAuditRecords::queueHeld(Held which) {
    const std::vector<AuditRow> rows = m_held.take(which);
    if (rows.empty())
        return;
    std::vector<Param> auditDnt, eventDnt, type, msg, seq, instance;
    for (const AuditRow& row : rows) {
        auditDnt.push_back(param(row.auditDnt));
        eventDnt.push_back(param(row.eventDnt));
        type.push_back(param(row.type));
        msg.push_back(param(row.msg));
        seq.push_back(param(row.seq));
        instance.push_back(param(row.instance));
    }
    m_s.runLater(kInsertHeldAudit, {m_s.station(), arrayOf(auditDnt), arrayOf(eventDnt), arrayOf(type),
                                    arrayOf(msg), arrayOf(seq), arrayOf(instance)});
}

Result PgAuditRecords::forEachExportableAudit(const std::function<void(const AuditRow&)>& visit) {
    Result r;
    const std::vector<AuditRow> rows = readAll<AuditRow>(m_s, kExportableAudit, {}, auditOf, &r);
    for (const AuditRow& row : rows)
        visit(row);
    return r;
}

Result PgAuditRecords::deleteAuditUpTo(const QDateTime& cutoff) {
    return m_s.run(kDeleteAudit, {param(cutoff)});
}

std::vector<AuditRow> PgAuditRecords::allAudit() {
    return readAll<AuditRow>(m_s, kAllAudit, {m_s.station()}, auditOf, nullptr);
}

std::vector<AuditRow> PgAuditRecords::auditEntries(const AuditFilter& filter, Result* result) {
    const QDate next = filter.through.isValid() ? filter.through.addDays(1) : QDate();
    return readAll<AuditRow>(m_s, filter.newestFirst ? kNewestAudit : kOldestAudit,
                             {scopeOf(m_s, filter.scope),
                              filter.type.isEmpty() ? Param{} : param(filter.type), dayStart(filter.from),
                              dayStart(next), containsPattern(filter.text)},
                             auditOf, result);
}

DayCallCounts PgAuditRecords::callCountsOfDay(const QDate& day, Result* result) {
    const std::vector<DayCallCounts> counts = readAll<DayCallCounts>(
        m_s, kDayCounts,
        {m_s.station(), param(QDateTime(day, QTime(0, 0))), param(QDateTime(day.addDays(1), QTime(0, 0)))},
        [](const Row& v) {
            return DayCallCounts{intOf(v[0]), intOf(v[1])};
        },
        result);
    return counts.empty() ? DayCallCounts{} : counts.front();
}

// --- calls window ---------------------------------------------------------------------------------------

Result PgViewerQueries::resetDisplayed() {
    return m_s.run(kResetDisplayed, {m_s.station()});
}

std::vector<CallDisplayRow> PgViewerQueries::takeUndisplayedCompleteCalls(Result* result) {
    Rows rows;
    const Result r = m_s.run(kTakeUndisplayed, {m_s.station()}, &rows);
    if (result)
        *result = r;
    return r ? displayRowsInOrder(rows) : std::vector<CallDisplayRow>{};
}

std::vector<CallDisplayRow> PgViewerQueries::retakeAllCompleteCalls(Result* result) {
    Rows rows;
    const Result r = m_s.run(kRetakeAll, {m_s.station()}, &rows);
    if (result)
        *result = r;
    return r ? displayRowsInOrder(rows) : std::vector<CallDisplayRow>{};
}

OtherWorkstationCalls PgViewerQueries::otherWorkstationsCompleteCalls(const QString& lastStamp,
                                                                      Result* result) {
    Rows rows;
    const Result r = m_s.run(kOtherCalls, {m_s.station(), param(lastStamp)}, &rows);
    if (result)
        *result = r;
    OtherWorkstationCalls others;
    if (!r || rows.values.empty())
        return others;
    others.stamp = textOf(rows.values.front()[0]);
    others.changed = others.stamp != lastStamp;
    if (!others.changed)
        return others;
    for (const Row& v : rows.values)
        if (v[1]) // the one row of a stamp without calls has none
            others.calls.push_back(displayOf(Row(v.begin() + 1, v.end())));
    return others;
}

// --- order views and the list of calls ------------------------------------------------------------------

std::vector<OrderViewRow> PgViewerQueries::ordersOfSalesperson(const QString& salesperson, ViewScope scope,
                                                               Result* result) {
    return readAll<OrderViewRow>(m_s, kOrdersOfSalesperson, {scopeOf(m_s, scope), param(salesperson)},
                                 orderViewOf, result);
}

std::vector<OrderViewRow> PgViewerQueries::ordersOfCustomer(const QString& customer, ViewScope scope,
                                                            Result* result) {
    return readAll<OrderViewRow>(m_s, kOrdersOfCustomer, {scopeOf(m_s, scope), param(customer)}, orderViewOf,
                                 result);
}

std::vector<OrderViewRow> PgViewerQueries::ordersOfDay(const QDate& day, ViewScope scope, Result* result) {
    return readAll<OrderViewRow>(m_s, kOrdersOfDay,
                                 {scopeOf(m_s, scope), param(QDateTime(day, QTime(0, 0))),
                                  param(QDateTime(day.addDays(1), QTime(0, 0)))},
                                 orderViewOf, result);
}

std::vector<CallRow> PgViewerQueries::callsBetween(const QDateTime& from, const QDateTime& through,
                                                   ViewScope scope, Result* result) {
    return readAll<CallRow>(m_s, kCallsBetween, {scopeOf(m_s, scope), param(from), param(through)},
                            reportCallOf, result);
}

std::vector<OrderRow> PgViewerQueries::ordersOfListedCall(const CallRow& call, Result* result) {
    return readAll<OrderRow>(m_s, kOrdersOfListedCall,
                             {param(call.workstation), param(call.source), param(call.callNumber)},
                             listedOrderOf, result);
}

// --- about box ------------------------------------------------------------------------------------------

StoreSummary PgSummaryQueries::summary(Result* result) {
    StoreSummary figures = loggedTimes(result);
    if (result && !result->ok())
        return figures;
    const std::vector<qint64> counts = readAll<qint64>(
        m_s, kCallCount, {m_s.station()}, [](const Row& v) { return int64Of(v[0]); }, result);
    figures.calls = counts.empty() ? 0 : counts.front();
    return figures;
}

StoreSummary PgSummaryQueries::loggedTimes(Result* result) {
    StoreSummary figures;
    Result r;
    auto newest = [&](const Statement& st) {
        const std::vector<QDateTime> when = readAll<QDateTime>(
            m_s, st, {m_s.station()}, [](const Row& v) { return dateOf(v[0]); }, &r);
        return when.empty() ? QDateTime() : when.front();
    };
    figures.lastIntake = newest(kLastIntake);
    if (r)
        figures.lastExport = newest(kLastExport);
    if (result)
        *result = r;
    return r ? figures : StoreSummary{};
}

} // namespace vrq::pg
