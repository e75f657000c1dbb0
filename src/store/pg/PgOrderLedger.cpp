// The order files of a site and the claims on its calls. Every step that decides who sends a call is one
// statement or one transaction; a claim's rows are locked while it is taken (others skip them), its
// numbers are reserved under a counter row locked by a statement of its own, so the statement after it
// sees every other exporter's reservations.
#include "store/pg/PgParts.h"
#include "store/pg/PgRowsOf.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

namespace vrq::pg {

namespace {

const Statement kRegisterWorkstation{
    "ledger_register_workstation",
    "INSERT INTO Workstations (Workstation, SystemID) VALUES ($1, $2) ON CONFLICT (Workstation) DO UPDATE "
    "SET SystemID = EXCLUDED.SystemID"};
const Statement kRegisterCounter{
    "ledger_register_counter",
    "INSERT INTO OrderFileCounters (SystemID, LastSeqNum) VALUES ($1, $2) ON CONFLICT DO NOTHING"};
const Statement kSiteMarker{"ledger_site_marker",
                            "SELECT Marker, Placed IS NOT NULL FROM SiteMarker LIMIT 1"};
const Statement kMarkerPlaced{
    "ledger_marker_placed",
    "UPDATE SiteMarker SET Placed = localtimestamp(0), PlacedBy = $1 WHERE Placed IS NULL"};

// Pending calls not claimed: this workstation's ($1) first, the others' with takeover ($2) when their
// SystemID is known; the rows another exporter is locking now are skipped. One epoch for them all.
const Statement kClaimCalls{
    "ledger_claim",
    "WITH e AS (SELECT nextval('ClaimEpochs') AS epoch), "
    "picked AS (SELECT c.Id FROM Calls c WHERE NOT c.ExtractedCall AND c.GoodCall AND c.Complete "
    "AND c.ClaimedBy IS NULL AND (c.Workstation = $1 OR ($2 AND EXISTS (SELECT 1 FROM Workstations w "
    "WHERE w.Workstation = c.Workstation))) ORDER BY (c.Workstation <> $1), c.Id LIMIT $3 "
    "FOR UPDATE OF c SKIP LOCKED) "
    "UPDATE Calls c SET ClaimedBy = $1, ClaimEpoch = e.epoch FROM picked, e WHERE c.Id = picked.Id "
    "RETURNING " VRQ_CALL_COLUMNS("c.") ", e.epoch"};
constexpr std::size_t kClaimIdColumn = 16;
constexpr std::size_t kClaimEpochColumn = 17;
// The orders and items of the calls the claim just took (this session's epoch), with their call's Id.
#define VRQ_ROWS_OF_CLAIM(table, sequence)                                                                   \
    "FROM Calls c JOIN " table " r ON r.Workstation = c.Workstation AND r.Source = c.Source AND "            \
    "r.CallNumber = c.CallNumber WHERE c.ClaimedBy = $1 AND c.ClaimEpoch = currval('ClaimEpochs') "          \
    "ORDER BY c.Id, " sequence
const Statement kClaimedOrders{
    "ledger_claimed_orders",
    "SELECT " VRQ_ORDER_COLUMNS("r.") ", c.Id " VRQ_ROWS_OF_CLAIM("Orders", "r.OrderSeqNumber")};
const Statement kClaimedItems{"ledger_claimed_items",
                              "SELECT " VRQ_ITEM_COLUMNS("r.") ", c.Id " VRQ_ROWS_OF_CLAIM(
                                  "OrderLineItems", "r.OrderSeqNumber, r.ItemSeqNumber")};
constexpr std::size_t kRowCallIdColumn = 9; // of the orders and items of a claim

#define VRQ_SYSTEMS_OF_CALLS "(SELECT SystemID FROM Workstations WHERE Workstation = ANY($1::smallint[]))"
const Statement kSystemsOf{
    "ledger_systems",
    "SELECT Workstation, SystemID FROM Workstations WHERE Workstation = ANY($1::smallint[])"};
const Statement kLockCounters{
    "ledger_lock_counters",
    "SELECT SystemID, LastSeqNum FROM OrderFileCounters WHERE SystemID IN " VRQ_SYSTEMS_OF_CALLS
    " ORDER BY SystemID FOR UPDATE"};
const Statement kNumbersInFlight{"ledger_in_flight",
                                 "SELECT SystemID, SeqNum FROM OrderFileLedger WHERE State IN ('R', 'A') AND "
                                 "SystemID IN " VRQ_SYSTEMS_OF_CALLS};
// Reserved only for calls still claimed under the epoch: a claim settled by someone else reserves nothing.
const Statement kReserve{
    "ledger_reserve",
    "INSERT INTO OrderFileLedger (Workstation, Source, CallNumber, SystemID, SeqNum, State, Epoch, Exporter) "
    "SELECT f.w, f.s, f.c, f.y, f.n, 'R', $6, $7 FROM unnest($1::smallint[], $2::integer[], $3::integer[], "
    "$4::smallint[], $5::integer[]) AS f(w, s, c, y, n) JOIN Calls c ON c.Workstation = f.w AND "
    "c.Source = f.s AND c.CallNumber = f.c AND c.ClaimedBy = $7 AND c.ClaimEpoch = $6 "
    "RETURNING Id, Workstation, Source, CallNumber, SystemID, SeqNum"};
const Statement kAdvanceCounters{
    "ledger_advance", "UPDATE OrderFileCounters o SET LastSeqNum = f.n FROM unnest($1::smallint[], "
                      "$2::integer[]) AS f(y, n) WHERE o.SystemID = f.y"};
const Statement kReleaseClaims{
    "ledger_release",
    "UPDATE Calls c SET ClaimedBy = NULL, ClaimEpoch = NULL FROM unnest($3::smallint[], $4::integer[], "
    "$5::integer[]) AS f(w, s, n) WHERE c.Workstation = f.w AND c.Source = f.s AND c.CallNumber = f.n AND "
    "c.ClaimedBy = $1 AND c.ClaimEpoch = $2"};

const Statement kAboutToRename{"ledger_about_to_rename",
                               "UPDATE OrderFileLedger SET State = 'A', Changed = localtimestamp(0) "
                               "WHERE Id = ANY($1::bigint[]) AND State = 'R' AND Epoch = $2 RETURNING Id"};
const Statement kDelivered{
    "ledger_delivered",
    "WITH f AS (UPDATE OrderFileLedger SET State = 'D', Changed = localtimestamp(0) WHERE Id = $1 AND "
    "State = 'A' RETURNING Workstation, Source, CallNumber) UPDATE Calls c SET ExtractedCall = true, "
    "ExtractedDNT = $2, ExtractedFileName = $3, ClaimedBy = NULL, ClaimEpoch = NULL FROM f WHERE "
    "c.Workstation = f.Workstation AND c.Source = f.Source AND c.CallNumber = f.CallNumber"};
const Statement kAbandoned{
    "ledger_abandoned",
    "WITH f AS (UPDATE OrderFileLedger SET State = 'X', Changed = localtimestamp(0) WHERE Id = $1 AND "
    "State IN ('R', 'A') RETURNING Workstation, Source, CallNumber, Epoch) UPDATE Calls c SET "
    "ClaimedBy = NULL, ClaimEpoch = NULL FROM f WHERE c.Workstation = f.Workstation AND c.Source = f.Source "
    "AND c.CallNumber = f.CallNumber AND c.ClaimEpoch = f.Epoch"};
const Statement kSentWithoutFile{
    "ledger_sent_without_file",
    "UPDATE Calls SET ExtractedCall = true, ExtractedDNT = $4, ExtractedFileName = $5, ClaimedBy = NULL, "
    "ClaimEpoch = NULL WHERE Workstation = $1 AND Source = $2 AND CallNumber = $3 AND ClaimEpoch = $6"};

const Statement kUnsettled{
    "ledger_unsettled",
    "SELECT Id, Workstation, Source, CallNumber, SystemID, SeqNum, State, Epoch, Exporter "
    "FROM OrderFileLedger WHERE Exporter = $1 AND State IN ('R', 'A') ORDER BY Id"};
// A number given up and reserved again since (the numbers wrap) names another writer's file now.
const Statement kGivenUp{
    "ledger_given_up", "SELECT l.Id FROM OrderFileLedger l WHERE l.Id = ANY($1::bigint[]) AND l.State = 'X' "
                       "AND NOT EXISTS (SELECT 1 FROM OrderFileLedger o WHERE o.SystemID = l.SystemID AND "
                       "o.SeqNum = l.SeqNum AND o.State IN ('R', 'A'))"};
const Statement kSettled{"ledger_settled",
                         "SELECT x FROM unnest($1::bigint[]) AS x WHERE NOT EXISTS (SELECT 1 FROM "
                         "OrderFileLedger l WHERE l.Id = x AND l.State IN ('R', 'A'))"};
const Statement kOtherExporters{
    "ledger_other_exporters",
    "SELECT Exporter FROM OrderFileLedger WHERE State IN ('R', 'A') AND Exporter <> $1 UNION "
    "SELECT ClaimedBy FROM Calls WHERE ClaimedBy IS NOT NULL AND ClaimedBy <> $1 ORDER BY 1"};
// The workstations' own locks (see the session's claim).
const Statement kHoldWorkstation{"ledger_hold_workstation",
                                 "SELECT pg_try_advisory_lock(7207003, $1::integer)"};
const Statement kReleaseWorkstation{"ledger_release_workstation",
                                    "SELECT pg_advisory_unlock(7207003, $1::integer)"};
const Statement kEndStaleClaims{
    "ledger_end_stale_claims",
    "UPDATE Calls c SET ClaimedBy = NULL, ClaimEpoch = NULL WHERE c.ClaimedBy = $1 AND NOT EXISTS (SELECT 1 "
    "FROM OrderFileLedger f WHERE f.Workstation = c.Workstation AND f.Source = c.Source AND "
    "f.CallNumber = c.CallNumber AND f.State IN ('R', 'A'))"};

OrderFileState stateOf(const Value& v) {
    const QString s = textOf(v);
    if (s == QLatin1String("A"))
        return OrderFileState::AboutToRename;
    if (s == QLatin1String("D"))
        return OrderFileState::Delivered;
    if (s == QLatin1String("X"))
        return OrderFileState::Abandoned;
    return OrderFileState::Reserved;
}

// The claimed calls with their rows, matched by the call's Id (calls of several workstations may share a
// source and number).
std::vector<ClaimedCall> claimedCalls(const Rows& calls, const Rows& orders, const Rows& items) {
    std::vector<ClaimedCall> claimed;
    std::map<qint64, std::size_t> byId;
    claimed.reserve(calls.values.size());
    for (const Row& v : calls.values) {
        byId.emplace(int64Of(v[kClaimIdColumn]), claimed.size());
        claimed.push_back({callOf(v), {}, {}});
    }
    for (const Row& v : orders.values) {
        if (auto at = byId.find(int64Of(v[kRowCallIdColumn])); at != byId.end())
            claimed[at->second].orders.push_back(orderOf(v));
    }
    for (const Row& v : items.values) {
        if (auto at = byId.find(int64Of(v[kRowCallIdColumn])); at != byId.end())
            claimed[at->second].items.push_back(itemOf(v));
    }
    return claimed;
}

// The keys as three arrays: workstations, sources, call numbers.
std::vector<Param> keyArrays(const std::vector<SiteCallKey>& keys) {
    std::vector<Param> w, s, n;
    for (const SiteCallKey& k : keys) {
        w.push_back(param(k.workstation));
        s.push_back(param(k.source));
        n.push_back(param(k.callNumber));
    }
    return {arrayOf(w), arrayOf(s), arrayOf(n)};
}

int nextNumber(int last) {
    return last >= 1 && last < kLastOrderFileNumber ? last + 1 : 1;
}

} // namespace

Result PgOrderLedger::registerSystem(int systemId, int lastSeqNum) {
    return m_s.runBatch({{&kRegisterWorkstation, {m_s.station(), param(systemId)}},
                         {&kRegisterCounter, {param(systemId), param(lastSeqNum)}}});
}

QString PgOrderLedger::siteMarker(Result* result) {
    Rows rows;
    const Result r = m_s.run(kSiteMarker, {}, &rows);
    if (result)
        *result = r;
    return r && !rows.values.empty() ? textOf(rows.values.front().front()) : QString();
}

bool PgOrderLedger::markerPlaced(Result* result) {
    Rows rows;
    const Result r = m_s.run(kSiteMarker, {}, &rows);
    if (result)
        *result = r;
    return r && !rows.values.empty() && boolOf(rows.values.front()[1]);
}

Result PgOrderLedger::recordMarkerPlaced() {
    return m_s.run(kMarkerPlaced, {m_s.station()});
}

std::vector<ClaimedCall> PgOrderLedger::claimCalls(int limit, bool takeOver, qint64* epoch, Result* result) {
    std::vector<Rows> rows;
    Result r = m_s.runBatch({{&kClaimCalls, {m_s.station(), param(takeOver), param(limit)}},
                             {&kClaimedOrders, {m_s.station()}},
                             {&kClaimedItems, {m_s.station()}}},
                            &rows);
    if (result)
        *result = r;
    if (!r || rows.size() != 3 || rows[0].values.empty())
        return {};
    *epoch = int64Of(rows[0].values.front()[kClaimEpochColumn]);
    std::vector<ClaimedCall> claimed = claimedCalls(rows[0], rows[1], rows[2]);
    // This workstation's calls first, each in the order they were taken in (by Id).
    const int own = m_s.workstation();
    std::vector<std::tuple<bool, qint64, std::size_t>> order;
    for (std::size_t i = 0; i < claimed.size(); ++i)
        order.emplace_back(claimed[i].call.workstation != own, int64Of(rows[0].values[i][kClaimIdColumn]), i);
    std::sort(order.begin(), order.end());
    std::vector<ClaimedCall> sorted;
    sorted.reserve(claimed.size());
    for (const auto& [notOwn, id, at] : order)
        sorted.push_back(std::move(claimed[at]));
    return sorted;
}

std::vector<OrderFileEntry> PgOrderLedger::reserveFiles(qint64 epoch, const std::vector<SiteCallKey>& send,
                                                        const std::vector<SiteCallKey>& release,
                                                        const NameInUse& inUse, Result* result) {
    std::vector<OrderFileEntry> files;
    Result r = m_s.begin();
    if (r)
        r = reserveInTransaction(epoch, send, release, inUse, files);
    if (r)
        r = m_s.commit();
    else
        m_s.rollback();
    if (result)
        *result = r;
    if (!r)
        return {};
    return files;
}

Result PgOrderLedger::reserveInTransaction(qint64 epoch, const std::vector<SiteCallKey>& send,
                                           const std::vector<SiteCallKey>& release, const NameInUse& inUse,
                                           std::vector<OrderFileEntry>& files) {
    std::vector<Param> workstations;
    workstations.reserve(send.size());
    for (const SiteCallKey& k : send)
        workstations.push_back(param(k.workstation));
    const Param wanted = arrayOf(workstations);
    std::vector<Rows> found;
    if (Result r = m_s.runBatch(
            {{&kSystemsOf, {wanted}}, {&kLockCounters, {wanted}}, {&kNumbersInFlight, {wanted}}}, &found);
        !r)
        return r;
    std::map<int, int> systemOf, lastOf;
    std::set<std::pair<int, int>> inFlight;
    for (const Row& v : found[0].values)
        systemOf[intOf(v[0])] = intOf(v[1]);
    for (const Row& v : found[1].values)
        lastOf[intOf(v[0])] = intOf(v[1]);
    for (const Row& v : found[2].values)
        inFlight.insert({intOf(v[0]), intOf(v[1])});

    std::vector<SiteCallKey> released = release;
    std::vector<Param> w, s, c, y, n;
    for (const SiteCallKey& key : send) {
        const auto system = systemOf.find(key.workstation);
        const auto last = system == systemOf.end() ? lastOf.end() : lastOf.find(system->second);
        std::optional<int> number;
        if (last != lastOf.end()) {
            int candidate = last->second;
            for (int tried = 0; tried < kLastOrderFileNumber && !number; ++tried) {
                candidate = nextNumber(candidate);
                if (!inFlight.contains({system->second, candidate}) && !inUse(system->second, candidate))
                    number = candidate;
            }
        }
        if (!number) {
            released.push_back(key); // no number is free: the call waits for the host to collect files
            continue;
        }
        inFlight.insert({system->second, *number});
        last->second = *number;
        w.push_back(param(key.workstation));
        s.push_back(param(key.source));
        c.push_back(param(key.callNumber));
        y.push_back(param(system->second));
        n.push_back(param(*number));
    }
    std::vector<Param> counterSystems, counterNumbers;
    for (const auto& [system, last] : lastOf) {
        counterSystems.push_back(param(system));
        counterNumbers.push_back(param(last));
    }
    std::vector<Param> releaseParams{m_s.station(), param(epoch)};
    for (Param& p : keyArrays(released))
        releaseParams.push_back(std::move(p));
    std::vector<Rows> written;
    if (Result r = m_s.runBatch(
            {{&kReserve,
              {arrayOf(w), arrayOf(s), arrayOf(c), arrayOf(y), arrayOf(n), param(epoch), m_s.station()}},
             {&kAdvanceCounters, {arrayOf(counterSystems), arrayOf(counterNumbers)}},
             {&kReleaseClaims, releaseParams}},
            &written);
        !r)
        return r;
    for (const Row& v : written[0].values) {
        files.push_back({.id = int64Of(v[0]),
                         .call = {intOf(v[1]), intOf(v[2]), intOf(v[3])},
                         .systemId = intOf(v[4]),
                         .seqNum = intOf(v[5]),
                         .state = OrderFileState::Reserved,
                         .epoch = epoch,
                         .exporter = m_s.workstation()});
    }
    // In the order the calls were given.
    auto rank = [&](const OrderFileEntry& f) {
        return std::find(send.begin(), send.end(), f.call) - send.begin();
    };
    std::sort(files.begin(), files.end(),
              [&](const OrderFileEntry& a, const OrderFileEntry& b) { return rank(a) < rank(b); });
    return Result::success();
}

namespace {

// The ledger ids as one array parameter.
Param idArray(const std::vector<qint64>& ids) {
    std::vector<Param> values;
    values.reserve(ids.size());
    for (qint64 id : ids)
        values.push_back(param(id));
    return arrayOf(values);
}

} // namespace

Result PgOrderLedger::markAboutToRename(qint64 epoch, const std::vector<qint64>& ids,
                                        std::vector<qint64>* fenced) {
    Rows rows;
    if (Result r = m_s.run(kAboutToRename, {idArray(ids), param(epoch)}, &rows); !r)
        return r;
    std::set<qint64> marked;
    for (const Row& v : rows.values)
        marked.insert(int64Of(v[0]));
    fenced->clear();
    for (qint64 id : ids) {
        if (!marked.contains(id))
            fenced->push_back(id);
    }
    return Result::success();
}

Result PgOrderLedger::markDelivered(const OrderFileEntry& file, const QString& fileName,
                                    const QDateTime& when) {
    if (Result r = fits(fileName, 64, "ExtractedFileName"); !r)
        return r;
    Rows rows;
    if (Result r = m_s.run(kDelivered, {param(file.id), param(when), param(fileName)}, &rows); !r)
        return r;
    return rows.affected > 0 ? Result::success() : Result::notFound();
}

Result PgOrderLedger::markAbandoned(const OrderFileEntry& file) {
    return m_s.run(kAbandoned, {param(file.id)});
}

Result PgOrderLedger::markSentWithoutFile(const SiteCallKey& call, qint64 epoch, const QDateTime& when) {
    Rows rows;
    if (Result r = m_s.run(kSentWithoutFile,
                           {param(call.workstation), param(call.source), param(call.callNumber), param(when),
                            param(QString()), param(epoch)},
                           &rows);
        !r)
        return r;
    return rows.affected > 0 ? Result::success() : Result::notFound();
}

namespace {

// The ids the statement picks out of ids.
std::vector<qint64> idsOf(Session& s, const Statement& statement, const std::vector<qint64>& ids,
                          Result* result) {
    Rows rows;
    const Result r = s.run(statement, {idArray(ids)}, &rows);
    if (result)
        *result = r;
    std::vector<qint64> picked;
    for (const Row& v : rows.values)
        picked.push_back(int64Of(v[0]));
    return picked;
}

} // namespace

std::vector<qint64> PgOrderLedger::givenUpFiles(const std::vector<qint64>& ids, Result* result) {
    return idsOf(m_s, kGivenUp, ids, result);
}

std::vector<qint64> PgOrderLedger::settledFiles(const std::vector<qint64>& ids, Result* result) {
    return idsOf(m_s, kSettled, ids, result);
}

std::vector<OrderFileEntry> PgOrderLedger::unsettledFiles(int exporter, Result* result) {
    Rows rows;
    const Result r = m_s.run(kUnsettled, {param(exporter)}, &rows);
    if (result)
        *result = r;
    std::vector<OrderFileEntry> files;
    if (!r)
        return files;
    for (const Row& v : rows.values) {
        files.push_back({.id = int64Of(v[0]),
                         .call = {intOf(v[1]), intOf(v[2]), intOf(v[3])},
                         .systemId = intOf(v[4]),
                         .seqNum = intOf(v[5]),
                         .state = stateOf(v[6]),
                         .epoch = int64Of(v[7]),
                         .exporter = intOf(v[8])});
    }
    return files;
}

std::vector<int> PgOrderLedger::otherExporters(Result* result) {
    Rows rows;
    const Result r = m_s.run(kOtherExporters, {m_s.station()}, &rows);
    if (result)
        *result = r;
    std::vector<int> exporters;
    if (r) {
        for (const Row& v : rows.values)
            exporters.push_back(intOf(v[0]));
    }
    return exporters;
}

Result PgOrderLedger::holdWorkstation(int workstation) {
    Rows rows;
    if (Result r = m_s.run(kHoldWorkstation, {param(workstation)}, &rows); !r)
        return r;
    if (rows.values.empty() || !boolOf(rows.values.front().front()))
        return Result::inUse(QStringLiteral("workstation %1 is running").arg(workstation));
    return Result::success();
}

void PgOrderLedger::releaseWorkstation(int workstation) {
    m_s.run(kReleaseWorkstation, {param(workstation)});
}

Result PgOrderLedger::endStaleClaims(int exporter) {
    return m_s.run(kEndStaleClaims, {param(exporter)});
}

} // namespace vrq::pg
