// Calls, Orders and OrderLineItems of this workstation: what the intake writes, the export reads and
// marks; the purge's reads and deletes are the whole site's. The natural order of the calls is their Id, the
// order they were taken in.
#include "store/pg/PgParts.h"
#include "store/pg/PgRowsOf.h"

#include <algorithm>
#include <climits>

namespace vrq::pg {

namespace {

// A call still to be sent, of Calls as c: good, complete and not extracted.
#define VRQ_PENDING_CALL "NOT c.ExtractedCall AND c.GoodCall AND c.Complete"
#define VRQ_CALL_KEY " WHERE Workstation = $1 AND Source = $2 AND CallNumber = $3"

// The call with the key, if any, and whether orders or items are stored under the key: one row always.
const Statement kFindCall{
    "calls_find",
    "SELECT " VRQ_CALL_COLUMNS("c.") ", EXISTS (SELECT 1 FROM Orders" VRQ_CALL_KEY
                                     ") OR EXISTS (SELECT 1 FROM OrderLineItems" VRQ_CALL_KEY
                                     ") FROM (VALUES (1)) AS one LEFT JOIN Calls c "
                                     "ON c.Workstation = $1 AND c.Source = $2 AND c.CallNumber = $3"};
const Statement kFindFirstCall{"calls_find_first",
                               "SELECT " VRQ_CALL_COLUMNS("") "FROM Calls WHERE Workstation = $1 AND "
                                                              "CallNumber = $2 ORDER BY Id LIMIT 1"};
const Statement kInsertCall{
    "calls_insert",
    "INSERT INTO Calls (Workstation, Source, CallNumber, CallDNT, GoodCall, Complete, ExtractedCall, "
    "ExtractedFileName, NumberOfOrders, LineNumber, Hour, BadReason, BadData, NumBytes) "
    "VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14) ON CONFLICT DO NOTHING"};
// The call numbers from $3 through $4 under which calls (1), orders (2) or items (3) are stored: three
// range scans of the keys.
const Statement kLookAhead{
    "calls_look_ahead",
    "SELECT 1, CallNumber FROM Calls WHERE Workstation = $1 AND Source = $2 AND CallNumber BETWEEN $3 AND $4 "
    "UNION SELECT 2, CallNumber FROM Orders WHERE Workstation = $1 AND Source = $2 AND CallNumber BETWEEN $3 "
    "AND $4 UNION SELECT 3, CallNumber FROM OrderLineItems WHERE Workstation = $1 AND Source = $2 AND "
    "CallNumber BETWEEN $3 AND $4"};
// How many keys one look-ahead reads.
constexpr int kKeysLookedAhead = 64;
// Whether the key is taken by a call, and whether orders or items are stored under it already.
const Statement kCallKeyInUse{"calls_key_in_use",
                              "SELECT EXISTS (SELECT 1 FROM Calls" VRQ_CALL_KEY
                              "), EXISTS (SELECT 1 FROM Orders" VRQ_CALL_KEY
                              ") OR EXISTS (SELECT 1 FROM OrderLineItems" VRQ_CALL_KEY ")"};
// Held calls with their orders and items, in one statement: no clash is expected, so one fails the
// transaction. Each row's key comes from the source and call number arrays of its table.
const Statement kInsertHeldCalls{
    "calls_insert_held",
    "WITH c AS (INSERT INTO Calls (Workstation, Source, CallNumber, CallDNT, GoodCall, Complete, "
    "ExtractedCall, ExtractedFileName, NumberOfOrders, LineNumber, Hour, BadReason, BadData, NumBytes) "
    "SELECT $1::smallint, c.so, c.cn, c.dnt, c.gc, c.co, c.ec, c.fn, c.no, c.ln, c.hr, c.br, c.bd, c.nb "
    "FROM unnest($2::integer[], $3::integer[], $4::timestamp[], $5::boolean[], $6::boolean[], $7::boolean[], "
    "$8::text[], $9::integer[], $10::integer[], $11::integer[], $12::integer[], $13::integer[], "
    "$14::integer[]) WITH ORDINALITY AS c(so, cn, dnt, gc, co, ec, fn, no, ln, hr, br, bd, nb, n) "
    "ORDER BY c.n), "
    "o AS (INSERT INTO Orders (Workstation, Source, CallNumber, OrderSeqNumber, Salesperson, Customer, "
    "ShipTo, Route, Message, NumberOfItems) SELECT $1::smallint, o.so, o.cn, o.s, o.sp, o.cu, o.st, o.ro, "
    "o.me, o.ni FROM unnest($15::integer[], $16::integer[], $17::integer[], $18::text[], $19::text[], "
    "$20::text[], $21::text[], $22::text[], $23::integer[]) WITH ORDINALITY AS o(so, cn, s, sp, cu, st, ro, "
    "me, ni, n) ORDER BY o.n) "
    "INSERT INTO OrderLineItems (Workstation, Source, CallNumber, OrderSeqNumber, ItemSeqNumber, ItemNumber, "
    "Quantity, Unit, DiscountPercent, PriceOverride) SELECT $1::smallint, i.so, i.cn, i.o, i.s, i.nu, i.q, "
    "i.u, i.d, i.p FROM unnest($24::integer[], $25::integer[], $26::integer[], $27::integer[], $28::text[], "
    "$29::integer[], $30::integer[], $31::integer[], $32::integer[]) WITH ORDINALITY AS i(so, cn, o, s, nu, "
    "q, u, d, p, n) ORDER BY i.n"};
const Statement kRaiseOrders{"calls_raise_orders",
                             "UPDATE Calls SET NumberOfOrders = NumberOfOrders + 1" VRQ_CALL_KEY
                             " RETURNING NumberOfOrders"};
const Statement kInsertOrder{
    "orders_insert",
    "INSERT INTO Orders (Workstation, Source, CallNumber, OrderSeqNumber, Salesperson, Customer, ShipTo, "
    "Route, Message, NumberOfItems) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10) ON CONFLICT DO NOTHING"};
const Statement kRaiseItems{"orders_raise_items",
                            "UPDATE Orders SET NumberOfItems = NumberOfItems + 1" VRQ_CALL_KEY
                            " AND OrderSeqNumber = $4 RETURNING NumberOfItems"};
const Statement kInsertItem{
    "items_insert",
    "INSERT INTO OrderLineItems (Workstation, Source, CallNumber, OrderSeqNumber, ItemSeqNumber, ItemNumber, "
    "Quantity, Unit, DiscountPercent, PriceOverride) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10) "
    "ON CONFLICT DO NOTHING"};
const Statement kSetMessage{"orders_set_message",
                            "UPDATE Orders SET Message = $4" VRQ_CALL_KEY " AND OrderSeqNumber = $5"};
const Statement kSetPrice{"items_set_price", "UPDATE OrderLineItems SET PriceOverride = $4" VRQ_CALL_KEY
                                             " AND OrderSeqNumber = $5 AND ItemSeqNumber = $6"};
const Statement kSetComplete{
    "calls_set_complete",
    "UPDATE Calls SET Complete = true, GoodCall = coalesce($4::boolean, GoodCall)" VRQ_CALL_KEY};
const Statement kPendingCalls{
    "calls_pending",
    "SELECT " VRQ_CALL_COLUMNS("c.") "FROM Calls c WHERE c.Workstation = $1 AND " VRQ_PENDING_CALL
                                     " AND c.Id > $2 ORDER BY c.Id LIMIT $3"};
// The rows of table r that belong to the pending calls with after < Id <= last: in the calls' order,
// then by sequence.
#define VRQ_ROWS_OF_PENDING_CALLS(table, sequence)                                                           \
    "FROM Calls c JOIN " table " r ON r.Workstation = c.Workstation AND r.Source = c.Source AND "            \
    "r.CallNumber = c.CallNumber WHERE c.Workstation = $1 AND " VRQ_PENDING_CALL                             \
    " AND c.Id > $2 AND c.Id <= $3 ORDER BY c.Id, " sequence
const Statement kPendingOrders{"orders_pending", "SELECT " VRQ_ORDER_COLUMNS("r.")
                                                     VRQ_ROWS_OF_PENDING_CALLS("Orders", "r.OrderSeqNumber")};
const Statement kPendingItems{"items_pending", "SELECT " VRQ_ITEM_COLUMNS("r.") VRQ_ROWS_OF_PENDING_CALLS(
                                                   "OrderLineItems", "r.OrderSeqNumber, r.ItemSeqNumber")};
const Statement kPendingCount{"calls_pending_count",
                              "SELECT count(*) FROM Calls c WHERE c.Workstation = $1 AND " VRQ_PENDING_CALL};
const Statement kOrdersOfCall{"orders_of_call", "SELECT " VRQ_ORDER_COLUMNS("") "FROM Orders" VRQ_CALL_KEY
                                                                                " ORDER BY OrderSeqNumber"};
const Statement kFindOrder{"orders_find", "SELECT " VRQ_ORDER_COLUMNS("") "FROM Orders" VRQ_CALL_KEY
                                                                          " AND OrderSeqNumber = $4"};
const Statement kItemsOfOrder{
    "items_of_order", "SELECT " VRQ_ITEM_COLUMNS("") "FROM OrderLineItems" VRQ_CALL_KEY
                                                     " AND OrderSeqNumber = $4 ORDER BY ItemSeqNumber"};
const Statement kMarkExtracted{
    "calls_mark_extracted",
    "UPDATE Calls SET ExtractedCall = true, ExtractedDNT = $4, ExtractedFileName = $5" VRQ_CALL_KEY};
const Statement kSetExtracted{"calls_set_extracted", "UPDATE Calls SET ExtractedCall = $4" VRQ_CALL_KEY};
const Statement kPurgeable{
    "calls_purgeable",
    "SELECT " VRQ_CALL_COLUMNS("") "FROM Calls WHERE Id > $1 AND Complete AND CallDNT <= $2 "
                                   "AND (NOT GoodCall OR (GoodCall AND ExtractedCall)) "
                                   "ORDER BY Id LIMIT 1"};
const Statement kDeleteOrders{"orders_delete", "DELETE FROM Orders" VRQ_CALL_KEY};
const Statement kDeleteItems{"items_delete", "DELETE FROM OrderLineItems" VRQ_CALL_KEY};
const Statement kDeleteCall{"calls_delete", "DELETE FROM Calls" VRQ_CALL_KEY};
// The settled order files of a call: a file still in flight keeps its row, and its call is not finished.
const Statement kDeleteFiles{"ledger_delete",
                             "DELETE FROM OrderFileLedger" VRQ_CALL_KEY " AND State IN ('D', 'X')"};
const Statement kAllCalls{"calls_all",
                          "SELECT " VRQ_CALL_COLUMNS("") "FROM Calls WHERE Workstation = $1 ORDER BY Id"};
const Statement kAllOrders{"orders_all",
                           "SELECT " VRQ_ORDER_COLUMNS("") "FROM Orders WHERE Workstation = $1 "
                                                           "ORDER BY Source, CallNumber, OrderSeqNumber"};
const Statement kAllItems{
    "items_all", "SELECT " VRQ_ITEM_COLUMNS("") "FROM OrderLineItems WHERE Workstation = $1 "
                                                "ORDER BY Source, CallNumber, OrderSeqNumber, ItemSeqNumber"};

constexpr std::size_t kCallIdColumn = 16;
constexpr std::size_t kRowsUnderKeyColumn = 17; // of kFindCall

// A column the order file is written from: a Null is noted by the column's name in nullColumns.
template <typename T> T orderFileValue(const Value& v, const char* column, QStringList& nullColumns) {
    if (!v)
        nullColumns.append(QString::fromLatin1(column));
    if constexpr (std::is_same_v<T, int>)
        return intOf(v);
    else
        return textOf(v);
}

template <typename Out, typename Read> std::vector<Out> allOf(const Rows& rows, Read read) {
    std::vector<Out> out;
    out.reserve(rows.values.size());
    for (const Row& v : rows.values)
        out.push_back(read(v));
    return out;
}

// Runs a read into *result (when given): the rows read, or none on a failure.
template <typename Out, typename Read>
std::vector<Out> readAll(Session& s, const Statement& st, const std::vector<Param>& params, Read read,
                         Result* result) {
    Rows rows;
    const Result r = s.run(st, params, &rows);
    if (result)
        *result = r;
    return r ? allOf<Out>(rows, read) : std::vector<Out>{};
}

template <typename Out, typename Read>
std::optional<Out> readFirst(Session& s, const Statement& st, const std::vector<Param>& params, Read read,
                             Result* result) {
    Rows rows;
    const Result r = s.run(st, params, &rows);
    if (result)
        *result = r;
    if (!r || rows.values.empty())
        return std::nullopt;
    return read(rows.values.front());
}

// An update of one row by its key: NotFound when no row has that key.
Result changedOne(Session& s, const Statement& st, const std::vector<Param>& params) {
    Rows rows;
    Result r = s.run(st, params, &rows);
    if (!r)
        return r;
    return rows.affected > 0 ? Result::success() : Result::notFound();
}

// An insert that leaves a row with the same key alone: the clash is the duplicate-key failure.
Result inserted(Session& s, const Statement& st, const std::vector<Param>& params) {
    Rows rows;
    Result r = s.run(st, params, &rows);
    if (!r)
        return r;
    return rows.affected > 0 ? Result::success() : duplicateKey();
}

// A raise of a counter by its key, giving the new value: NotFound when no row has that key.
Result raised(Session& s, const Statement& st, const std::vector<Param>& params, int* newCount) {
    Rows rows;
    Result r = s.run(st, params, &rows);
    if (!r)
        return r;
    if (rows.values.empty())
        return Result::notFound();
    if (newCount)
        *newCount = intOf(rows.values.front()[0]);
    return Result::success();
}

} // namespace

CallRow callOf(const Row& v) {
    CallRow row;
    row.source = intOf(v[0]);
    row.callNumber = intOf(v[1]);
    row.callDnt = dateOf(v[2]);
    row.goodCall = boolOf(v[3]);
    row.complete = boolOf(v[4]);
    row.extractedCall = boolOf(v[5]);
    row.extractedFileName = textOf(v[6]);
    row.extractedDnt = dateOf(v[7]);
    row.numberOfOrders = intOf(v[8]);
    row.displayed = boolOf(v[9]);
    row.lineNumber = optionalIntOf(v[10]);
    row.hour = optionalIntOf(v[11]);
    row.badReason = optionalIntOf(v[12]);
    row.badData = optionalIntOf(v[13]);
    row.numBytes = optionalIntOf(v[14]);
    row.workstation = intOf(v[15]);
    return row;
}

OrderRow orderOf(const Row& v) {
    OrderRow row;
    row.source = intOf(v[0]);
    row.callNumber = intOf(v[1]);
    row.orderSeqNumber = intOf(v[2]);
    row.salesperson = orderFileValue<QString>(v[3], "Salesperson", row.nullColumns);
    row.customer = orderFileValue<QString>(v[4], "Customer", row.nullColumns);
    row.shipTo = optionalTextOf(v[5]);
    row.route = orderFileValue<QString>(v[6], "Route", row.nullColumns);
    row.message = orderFileValue<QString>(v[7], "Message", row.nullColumns);
    row.numberOfItems = intOf(v[8]);
    return row;
}

ItemRow itemOf(const Row& v) {
    ItemRow row;
    row.source = intOf(v[0]);
    row.callNumber = intOf(v[1]);
    row.orderSeqNumber = intOf(v[2]);
    row.itemSeqNumber = intOf(v[3]);
    row.itemNumber = orderFileValue<QString>(v[4], "ItemNumber", row.nullColumns);
    row.quantity = orderFileValue<int>(v[5], "Quantity", row.nullColumns);
    row.unit = orderFileValue<int>(v[6], "Unit", row.nullColumns);
    row.discountPercent = orderFileValue<int>(v[7], "DiscountPercent", row.nullColumns);
    row.priceOverride = orderFileValue<int>(v[8], "PriceOverride", row.nullColumns);
    return row;
}

// --- intake ---------------------------------------------------------------------------------------------

PgCallRecords::HeldCall* PgCallRecords::held(int source, int callNumber) {
    if (!m_s.unitOpen())
        return nullptr;
    std::vector<HeldCall>& calls = m_held.rows();
    for (std::size_t i = m_held.unitBegins(); i < calls.size(); ++i) {
        if (calls[i].call.source == source && calls[i].call.callNumber == callNumber)
            return &calls[i];
    }
    return nullptr;
}

bool PgCallRecords::isHeld(int source, int callNumber) const {
    return std::any_of(m_held.rows().begin(), m_held.rows().end(), [&](const HeldCall& c) {
        return c.call.source == source && c.call.callNumber == callNumber;
    });
}

OrderRow* PgCallRecords::heldOrder(HeldCall& call, int orderSeqNumber) {
    // The raises number the orders 1, 2, ...: order n is mostly the n-th.
    const std::size_t at = std::size_t(orderSeqNumber) - 1;
    if (orderSeqNumber > 0 && at < call.orders.size() && call.orders[at].orderSeqNumber == orderSeqNumber)
        return &call.orders[at];
    for (OrderRow& order : call.orders) {
        if (order.orderSeqNumber == orderSeqNumber)
            return &order;
    }
    return nullptr;
}

namespace {
qint64 itemKey(int orderSeqNumber, int itemSeqNumber) {
    return (qint64(orderSeqNumber) << 32) | quint32(itemSeqNumber);
}
} // namespace

ItemRow* PgCallRecords::heldItem(HeldCall& call, int orderSeqNumber, int itemSeqNumber) {
    const auto found = call.itemAt.find(itemKey(orderSeqNumber, itemSeqNumber));
    return found == call.itemAt.end() ? nullptr : &call.items[found->second];
}

namespace {

// The values of one column of the held rows, as one array.
template <typename Row, typename Value> Param columnOf(const std::vector<const Row*>& rows, Value value) {
    std::vector<Param> values;
    values.reserve(rows.size());
    for (const Row* row : rows)
        values.push_back(param(value(*row)));
    return arrayOf(values);
}

} // namespace

void PgCallRecords::queueHeld(Held which) {
    const std::vector<HeldCall> held = m_held.take(which);
    if (held.empty())
        return;
    std::vector<const CallRow*> calls;
    std::vector<const OrderRow*> orders;
    std::vector<const ItemRow*> items;
    for (const HeldCall& c : held) {
        calls.push_back(&c.call);
        for (const OrderRow& o : c.orders)
            orders.push_back(&o);
        for (const ItemRow& i : c.items)
            items.push_back(&i);
    }
    m_s.runLater(kInsertHeldCalls, {m_s.station(),
                                    columnOf(calls, [](const CallRow& r) { return r.source; }),
                                    columnOf(calls, [](const CallRow& r) { return r.callNumber; }),
                                    columnOf(calls, [](const CallRow& r) { return r.callDnt; }),
                                    columnOf(calls, [](const CallRow& r) { return r.goodCall; }),
                                    columnOf(calls, [](const CallRow& r) { return r.complete; }),
                                    columnOf(calls, [](const CallRow& r) { return r.extractedCall; }),
                                    columnOf(calls, [](const CallRow& r) { return r.extractedFileName; }),
                                    columnOf(calls, [](const CallRow& r) { return r.numberOfOrders; }),
                                    columnOf(calls, [](const CallRow& r) { return r.lineNumber; }),
                                    columnOf(calls, [](const CallRow& r) { return r.hour; }),
                                    columnOf(calls, [](const CallRow& r) { return r.badReason; }),
                                    columnOf(calls, [](const CallRow& r) { return r.badData; }),
                                    columnOf(calls, [](const CallRow& r) { return r.numBytes; }),
                                    columnOf(orders, [](const OrderRow& r) { return r.source; }),
                                    columnOf(orders, [](const OrderRow& r) { return r.callNumber; }),
                                    columnOf(orders, [](const OrderRow& r) { return r.orderSeqNumber; }),
                                    columnOf(orders, [](const OrderRow& r) { return r.salesperson; }),
                                    columnOf(orders, [](const OrderRow& r) { return r.customer; }),
                                    columnOf(orders, [](const OrderRow& r) { return r.shipTo; }),
                                    columnOf(orders, [](const OrderRow& r) { return r.route; }),
                                    columnOf(orders, [](const OrderRow& r) { return r.message; }),
                                    columnOf(orders, [](const OrderRow& r) { return r.numberOfItems; }),
                                    columnOf(items, [](const ItemRow& r) { return r.source; }),
                                    columnOf(items, [](const ItemRow& r) { return r.callNumber; }),
                                    columnOf(items, [](const ItemRow& r) { return r.orderSeqNumber; }),
                                    columnOf(items, [](const ItemRow& r) { return r.itemSeqNumber; }),
                                    columnOf(items, [](const ItemRow& r) { return r.itemNumber; }),
                                    columnOf(items, [](const ItemRow& r) { return r.quantity; }),
                                    columnOf(items, [](const ItemRow& r) { return r.unit; }),
                                    columnOf(items, [](const ItemRow& r) { return r.discountPercent; }),
                                    columnOf(items, [](const ItemRow& r) { return r.priceOverride; })});
}

const PgCallRecords::KeyState* PgCallRecords::lookedAhead(int source, int callNumber) const {
    if (!m_ahead || m_ahead->sends != m_s.sends() || m_ahead->source != source)
        return nullptr;
    const qint64 index = qint64(callNumber) - m_ahead->first;
    if (index < 0 || index >= qint64(m_ahead->keys.size()))
        return nullptr;
    return &m_ahead->keys[std::size_t(index)];
}

Result PgCallRecords::lookAhead(int source, int callNumber) {
    const int last = int(std::min<qint64>(qint64(callNumber) + kKeysLookedAhead - 1, INT_MAX));
    Rows rows;
    Result r =
        m_s.runPastHeld(kLookAhead, {m_s.station(), param(source), param(callNumber), param(last)}, &rows);
    if (!r)
        return r;
    LookAhead ahead{source, callNumber,
                    std::vector<KeyState>(std::size_t(last - callNumber + 1), {false, false}), m_s.sends()};
    for (const Row& v : rows.values) {
        KeyState& key = ahead.keys.at(std::size_t(int64Of(v[1]) - callNumber));
        (intOf(v[0]) == 1 ? key.taken : key.rowsUnderKey) = true;
    }
    m_ahead = std::move(ahead);
    return r;
}

std::optional<CallRow> PgCallRecords::findCall(int source, int callNumber, Result* result) {
    m_absent.reset();
    const bool next =
        m_lastLookUp && m_lastLookUp->first == source && qint64(m_lastLookUp->second) + 1 == callNumber;
    m_lastLookUp = {source, callNumber};
    if (result)
        *result = Result::success();
    // The held rows need not go first unless one of them is this call.
    const bool held = isHeld(source, callNumber);
    if (!held) {
        const KeyState* known = lookedAhead(source, callNumber);
        if (!known && next && lookAhead(source, callNumber))
            known = lookedAhead(source, callNumber);
        if (known && !known->taken) {
            m_absent = AbsentCall{source, callNumber, known->rowsUnderKey};
            return std::nullopt;
        }
    }
    Rows rows;
    const std::vector<Param> key{m_s.station(), param(source), param(callNumber)};
    const Result r = held ? m_s.run(kFindCall, key, &rows) : m_s.runPastHeld(kFindCall, key, &rows);
    if (result)
        *result = r;
    if (!r || rows.values.empty())
        return std::nullopt;
    const Row& v = rows.values.front();
    if (v[0])
        return callOf(v);
    m_absent = AbsentCall{source, callNumber, boolOf(v[kRowsUnderKeyColumn])};
    return std::nullopt;
}

std::optional<CallRow> PgCallRecords::findFirstCallByNumber(int callNumber, Result* result) {
    return readFirst<CallRow>(m_s, kFindFirstCall, {m_s.station(), param(callNumber)}, callOf, result);
}

Result PgCallRecords::insertCallNow(const CallRow& row) {
    m_absent.reset();
    return inserted(m_s, kInsertCall,
                    {m_s.station(), param(row.source), param(row.callNumber), param(row.callDnt),
                     param(row.goodCall), param(row.complete), param(row.extractedCall),
                     param(row.extractedFileName), param(row.numberOfOrders), param(row.lineNumber),
                     param(row.hour), param(row.badReason), param(row.badData), param(row.numBytes)});
}

Result PgCallRecords::insertCall(const CallRow& row) {
    if (Result r = fits(row.extractedFileName, 64, "ExtractedFileName"); !r)
        return r;
    if (!m_s.unitOpen())
        return insertCallNow(row);
    if (isHeld(row.source, row.callNumber))
        return duplicateKey();
    bool rowsUnderKey = false;
    if (m_absent && m_absent->source == row.source && m_absent->callNumber == row.callNumber) {
        // Looked up just before (the intake's check whether the call was taken in already), with no
        // insert since: a row another program stores meanwhile makes the unit fail at its end.
        rowsUnderKey = m_absent->rowsUnderKey;
        m_absent.reset();
    } else {
        Rows rows;
        if (Result r = m_s.runPastHeld(kCallKeyInUse,
                                       {m_s.station(), param(row.source), param(row.callNumber)}, &rows);
            !r)
            return r;
        if (boolOf(rows.values.front()[0]))
            return duplicateKey();
        rowsUnderKey = boolOf(rows.values.front()[1]);
    }
    // Rows of an earlier call under this key: each statement is checked as it comes.
    if (rowsUnderKey)
        return insertCallNow(row);
    HeldCall& heldCall = m_held.rows().emplace_back();
    heldCall.call = row;
    heldCall.call.workstation = m_s.workstation(); // as the table will have it
    return Result::success();
}

Result PgCallRecords::raiseNumberOfOrders(int source, int callNumber, int* newCount) {
    if (HeldCall* c = held(source, callNumber)) {
        ++c->call.numberOfOrders;
        if (newCount)
            *newCount = c->call.numberOfOrders;
        return Result::success();
    }
    return raised(m_s, kRaiseOrders, {m_s.station(), param(source), param(callNumber)}, newCount);
}

Result PgCallRecords::insertOrder(const OrderRow& row) {
    for (const Result& r : {fits(row.salesperson, 6, "Salesperson"), fits(row.customer, 8, "Customer"),
                            fits(row.shipTo.value_or(QString()), 2, "ShipTo"), fits(row.route, 6, "Route"),
                            fits(row.message, 255, "Message")}) {
        if (!r)
            return r;
    }
    if (HeldCall* c = held(row.source, row.callNumber)) {
        if (heldOrder(*c, row.orderSeqNumber))
            return duplicateKey();
        c->orders.push_back(row);
        return Result::success();
    }
    m_absent.reset();
    return inserted(m_s, kInsertOrder,
                    {m_s.station(), param(row.source), param(row.callNumber), param(row.orderSeqNumber),
                     param(row.salesperson), param(row.customer), param(row.shipTo), param(row.route),
                     param(row.message), param(row.numberOfItems)});
}

Result PgCallRecords::raiseNumberOfItems(int source, int callNumber, int orderSeqNumber, int* newCount) {
    if (HeldCall* c = held(source, callNumber)) {
        OrderRow* order = heldOrder(*c, orderSeqNumber);
        if (!order)
            return Result::notFound(); // every order stored under the held call's key is held
        ++order->numberOfItems;
        if (newCount)
            *newCount = order->numberOfItems;
        return Result::success();
    }
    return raised(m_s, kRaiseItems, {m_s.station(), param(source), param(callNumber), param(orderSeqNumber)},
                  newCount);
}

Result PgCallRecords::insertItem(const ItemRow& row) {
    if (Result r = fits(row.itemNumber, 13, "ItemNumber"); !r)
        return r;
    if (HeldCall* c = held(row.source, row.callNumber)) {
        if (heldItem(*c, row.orderSeqNumber, row.itemSeqNumber))
            return duplicateKey();
        c->itemAt.emplace(itemKey(row.orderSeqNumber, row.itemSeqNumber), c->items.size());
        c->items.push_back(row);
        return Result::success();
    }
    m_absent.reset();
    return inserted(m_s, kInsertItem,
                    {m_s.station(), param(row.source), param(row.callNumber), param(row.orderSeqNumber),
                     param(row.itemSeqNumber), param(row.itemNumber), param(row.quantity), param(row.unit),
                     param(row.discountPercent), param(row.priceOverride)});
}

Result PgCallRecords::setOrderMessage(int source, int callNumber, int orderSeqNumber,
                                      const QString& message) {
    // Refused here, before the server sees it: a refused statement would undo the whole unit of work.
    if (Result r = fits(message, 255, "Message"); !r)
        return r;
    if (HeldCall* c = held(source, callNumber)) {
        OrderRow* order = heldOrder(*c, orderSeqNumber);
        if (!order)
            return Result::notFound();
        order->message = message;
        return Result::success();
    }
    return changedOne(
        m_s, kSetMessage,
        {m_s.station(), param(source), param(callNumber), param(message), param(orderSeqNumber)});
}

Result PgCallRecords::setPriceOverride(int source, int callNumber, int orderSeqNumber, int itemSeqNumber,
                                       int price) {
    if (HeldCall* c = held(source, callNumber)) {
        ItemRow* item = heldItem(*c, orderSeqNumber, itemSeqNumber);
        if (!item)
            return Result::notFound();
        item->priceOverride = price;
        return Result::success();
    }
    return changedOne(m_s, kSetPrice,
                      {m_s.station(), param(source), param(callNumber), param(price), param(orderSeqNumber),
                       param(itemSeqNumber)});
}

Result PgCallRecords::setCallComplete(int source, int callNumber, std::optional<bool> goodCall) {
    if (HeldCall* c = held(source, callNumber)) {
        c->call.complete = true;
        if (goodCall)
            c->call.goodCall = *goodCall;
        return Result::success();
    }
    return changedOne(m_s, kSetComplete, {m_s.station(), param(source), param(callNumber), param(goodCall)});
}

// --- export ---------------------------------------------------------------------------------------------

void PgCallRecords::readPendingGroup(const CallCursor& after, int limit, PendingGroup& into, Result* result) {
    PendingGroup group;
    group.end = after;
    // In one read transaction, so that the rows read belong to exactly the calls read: another
    // workstation or process may complete calls in between.
    bool own = false;
    Result r = m_s.beginRead(&own);
    Rows calls;
    if (r)
        r = m_s.run(kPendingCalls, {m_s.station(), param(after.position()), param(limit)}, &calls);
    if (r && !calls.values.empty()) {
        const Param first = param(after.position());
        const Param last = calls.values.back()[kCallIdColumn];
        std::vector<Rows> rows;
        r = m_s.runBatch(
            {{&kPendingOrders, {m_s.station(), first, last}}, {&kPendingItems, {m_s.station(), first, last}}},
            &rows);
        if (r) {
            group.calls = allOf<CallRow>(calls, callOf);
            group.orders = allOf<OrderRow>(rows[0], orderOf);
            group.items = allOf<ItemRow>(rows[1], itemOf);
            group.end = CallCursor(int64Of(last));
        }
    }
    m_s.endRead(own);
    if (result)
        *result = r;
    into = r ? std::move(group) : PendingGroup{};
}

int PgCallRecords::pendingCallCount(Result* result) {
    const std::optional<int> count = readFirst<int>(
        m_s, kPendingCount, {m_s.station()}, [](const Row& v) { return intOf(v[0]); }, result);
    return count.value_or(0);
}

std::vector<OrderRow> PgCallRecords::ordersOfCall(int source, int callNumber, Result* result) {
    return readAll<OrderRow>(m_s, kOrdersOfCall, {m_s.station(), param(source), param(callNumber)}, orderOf,
                             result);
}

std::optional<OrderRow> PgCallRecords::findOrder(int source, int callNumber, int orderSeqNumber,
                                                 Result* result) {
    return readFirst<OrderRow>(m_s, kFindOrder,
                               {m_s.station(), param(source), param(callNumber), param(orderSeqNumber)},
                               orderOf, result);
}

std::vector<ItemRow> PgCallRecords::itemsOfOrder(int source, int callNumber, int orderSeqNumber,
                                                 Result* result) {
    return readAll<ItemRow>(m_s, kItemsOfOrder,
                            {m_s.station(), param(source), param(callNumber), param(orderSeqNumber)}, itemOf,
                            result);
}

Result PgCallRecords::markExtracted(int source, int callNumber, const QString& fileName,
                                    const QDateTime& when) {
    if (Result r = fits(fileName, 64, "ExtractedFileName"); !r)
        return r;
    return changedOne(m_s, kMarkExtracted,
                      {m_s.station(), param(source), param(callNumber), param(when), param(fileName)});
}

Result PgCallRecords::setExtracted(int source, int callNumber, bool extracted) {
    return changedOne(m_s, kSetExtracted,
                      {m_s.station(), param(source), param(callNumber), param(extracted)});
}

// --- purge ----------------------------------------------------------------------------------------------

std::optional<CallRow> PgCallRecords::nextPurgeableCall(const QDateTime& cutoff, CallCursor& after,
                                                        Result* result) {
    Rows rows;
    const Result r = m_s.run(kPurgeable, {param(after.position()), param(cutoff)}, &rows);
    if (result)
        *result = r;
    if (!r || rows.values.empty())
        return std::nullopt;
    after = CallCursor(int64Of(rows.values.front()[kCallIdColumn]));
    return callOf(rows.values.front());
}

Result PgCallRecords::deleteCallWithOrders(const CallRow& call) {
    const std::vector<Param> key{param(call.workstation), param(call.source), param(call.callNumber)};
    return m_s.runBatch(
        {{&kDeleteOrders, key}, {&kDeleteItems, key}, {&kDeleteCall, key}, {&kDeleteFiles, key}});
}

// --- viewers and tests ----------------------------------------------------------------------------------

std::vector<CallRow> PgCallRecords::allCalls(Result* result) {
    return readAll<CallRow>(m_s, kAllCalls, {m_s.station()}, callOf, result);
}

std::vector<OrderRow> PgCallRecords::allOrders(Result* result) {
    return readAll<OrderRow>(m_s, kAllOrders, {m_s.station()}, orderOf, result);
}

std::vector<ItemRow> PgCallRecords::allItems(Result* result) {
    return readAll<ItemRow>(m_s, kAllItems, {m_s.station()}, itemOf, result);
}

} // namespace vrq::pg
