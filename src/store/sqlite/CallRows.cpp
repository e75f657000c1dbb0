// Calls, Orders and OrderLineItems: what the intake writes, the export and the purge read and mark,
// and the viewers list.
#include "store/sqlite/CallStore.h"

#include "store/sqlite/StoreAttempt.h"
#include "store/sqlite/StoreColumns.h"

#include <string>

namespace vrq {

namespace {

// Calls as a CallRow holds it, in the order of the SELECT lists and of the insert.
constexpr TableColumn<CallRow> kCallColumns[] = {
    column<&CallRow::source>("Source"),
    column<&CallRow::callNumber>("CallNumber"),
    column<&CallRow::callDnt>("CallDNT"),
    column<&CallRow::goodCall>("GoodCall"),
    column<&CallRow::complete>("Complete"),
    column<&CallRow::extractedCall>("ExtractedCall"),
    column<&CallRow::extractedFileName>("ExtractedFileName"),
    selectOnly<&CallRow::extractedDnt>("ExtractedDNT"), // set by markExtracted
    column<&CallRow::numberOfOrders>("NumberOfOrders"),
    selectOnly<&CallRow::displayed>("Displayed"), // kept by the calls window
    column<&CallRow::lineNumber>("LineNumber"),
    column<&CallRow::hour>("Hour"),
    column<&CallRow::badReason>("BadReason"),
    column<&CallRow::badData>("BadData"),
    column<&CallRow::numBytes>("NumBytes"),
};

constexpr TableColumn<OrderRow> kOrderColumns[] = {
    column<&OrderRow::source>("Source"),
    column<&OrderRow::callNumber>("CallNumber"),
    column<&OrderRow::orderSeqNumber>("OrderSeqNumber"),
    orderFileColumn<&OrderRow::salesperson>("Salesperson"),
    orderFileColumn<&OrderRow::customer>("Customer"),
    column<&OrderRow::shipTo>("ShipTo"),
    orderFileColumn<&OrderRow::route>("Route"),
    orderFileColumn<&OrderRow::message>("Message"),
    column<&OrderRow::numberOfItems>("NumberOfItems"),
};

constexpr TableColumn<ItemRow> kItemColumns[] = {
    column<&ItemRow::source>("Source"),
    column<&ItemRow::callNumber>("CallNumber"),
    column<&ItemRow::orderSeqNumber>("OrderSeqNumber"),
    column<&ItemRow::itemSeqNumber>("ItemSeqNumber"),
    orderFileColumn<&ItemRow::itemNumber>("ItemNumber"),
    orderFileColumn<&ItemRow::quantity>("Quantity"),
    orderFileColumn<&ItemRow::unit>("Unit"),
    orderFileColumn<&ItemRow::discountPercent>("DiscountPercent"),
    orderFileColumn<&ItemRow::priceOverride>("PriceOverride"),
};

// A call still to be sent, of Calls as c: good, complete and not extracted.
constexpr const char* kPendingCall = "c.ExtractedCall = 0 AND c.GoodCall = 1 AND c.Complete = 1";

// What follows the columns (of alias r) in a read of the rows of table that belong to the pending calls
// of a row number range, bound as (after, last]: in the calls' natural order, then by sequence.
std::string rowsOfPendingCalls(const char* table, const char* sequence) {
    return std::string("FROM Calls c JOIN ") + table +
           " r ON r.Source = c.Source AND r.CallNumber = c.CallNumber WHERE " + kPendingCall +
           " AND c.rowid > ? AND c.rowid <= ? ORDER BY c.rowid, " + sequence;
}

// An update of one row by its key: NotFound when no row has that key.
Result changedOne(SQLite::Statement& st) {
    return st.exec() > 0 ? Result::success() : Result::notFound();
}

} // namespace

// --- intake ---------------------------------------------------------------------------------------

std::optional<CallRow> CallStore::findCall(int source, int callNumber, Result* result) {
    static const RowSelect select(kCallColumns, "FROM Calls WHERE Source = ? AND CallNumber = ?");
    return attempt(result, [&] {
        Use st(prepared(select.sql()));
        bindValues(*st, source, callNumber);
        std::optional<CallRow> found = select.first(*st);
        // Inside a transaction no other program can store the call before this one's next statement.
        if (!found && inTransaction())
            m_keyFree = CallKeyFree{source, callNumber};
        return found;
    });
}

std::optional<CallRow> CallStore::findFirstCallByNumber(int callNumber, Result* result) {
    static const RowSelect select(kCallColumns, "FROM Calls WHERE CallNumber = ? ORDER BY rowid LIMIT 1");
    return attempt(result, [&] {
        Use st(prepared(select.sql()));
        bindValues(*st, callNumber);
        return select.first(*st);
    });
}

Result CallStore::insertCall(const CallRow& row) {
    return attempt([&] {
        if (mayHoldCall(row)) {
            // Held until its Complete update, and written once then with its order count (saveCounter),
            // before any other statement of the unit of work reads the store and before the unit ends.
            saveCounters();
            startCounter(m_ordersOfCall, row.source, row.callNumber, 0, row.numberOfOrders).heldCall = row;
            return;
        }
        saveCounters(); // as any statement but the intake's own inserts
        insertCallRow(row);
        know(m_ordersOfCall, row.source, row.callNumber, 0, row.numberOfOrders);
    });
}

bool CallStore::mayHoldCall(const CallRow& row) {
    const bool keyFree =
        m_keyFree && m_keyFree->source == row.source && m_keyFree->callNumber == row.callNumber;
    m_keyFree.reset();
    // The column's own check, which counts characters: a text of no more UTF-16 units always passes.
    return keyFree && inTransaction() && row.extractedFileName.size() <= 64;
}

void CallStore::insertCallRow(const CallRow& row) {
    static const RowInsert insert("Calls", kCallColumns);
    runInsert(insert, cached(insert.sql()), row);
}

Result CallStore::raiseNumberOfOrders(int source, int callNumber, int* newCount) {
    if (raiseKnown(m_ordersOfCall, source, callNumber, 0, newCount))
        return Result::success();
    return attempt([&] {
        // An UPDATE and a SELECT rather than UPDATE ... RETURNING: RETURNING builds a temporary table on
        // every run, which made this counter cost more than the row it numbers.
        Use st(prepared(
            "UPDATE Calls SET NumberOfOrders = NumberOfOrders + 1 WHERE Source = ? AND CallNumber = ?"));
        bindValues(*st, source, callNumber);
        if (st->exec() == 0)
            return Result::notFound();
        Use read(prepared("SELECT NumberOfOrders FROM Calls WHERE Source = ? AND CallNumber = ?"));
        bindValues(*read, source, callNumber);
        if (!read->executeStep())
            return Result::success();
        const int count = read->getColumn(0).getInt();
        if (newCount)
            *newCount = count;
        know(m_ordersOfCall, source, callNumber, 0, count);
        return Result::success();
    });
}

Result CallStore::insertOrder(const OrderRow& row) {
    return attempt([&] {
        saveCounter(m_itemsOfOrder); // the previous order's; the call's counter stays known
        if (mayHoldOrder(row)) {
            // Held until its items and message are known, then written once (saveCounter), before any
            // other statement of the unit of work reads the store and before the unit ends.
            startCounter(m_itemsOfOrder, row.source, row.callNumber, row.orderSeqNumber, row.numberOfItems)
                .heldOrder = row;
            return;
        }
        insertOrderRow(row);
        know(m_itemsOfOrder, row.source, row.callNumber, row.orderSeqNumber, row.numberOfItems);
    });
}

bool CallStore::mayHoldOrder(const OrderRow& row) {
    if (!inTransaction() || !m_ordersOfCall || !m_ordersOfCall->counts(row.source, row.callNumber, 0))
        return false;
    Counter& call = *m_ordersOfCall;
    if (!call.ordersBefore) {
        // Asked without writing the held counters: nothing held can be an order of this call yet.
        Use st(cached("SELECT EXISTS (SELECT 1 FROM Orders WHERE Source = ? AND CallNumber = ?)"));
        bindValues(*st, row.source, row.callNumber);
        call.ordersBefore = st->executeStep() && st->getColumn(0).getInt() != 0;
    }
    const bool keyFree = !*call.ordersBefore && row.orderSeqNumber > call.highestOrder;
    call.highestOrder = std::max(call.highestOrder, row.orderSeqNumber);
    // The columns' own checks, which count characters: a text of no more UTF-16 units always passes.
    const bool fits = row.salesperson.size() <= 6 && row.customer.size() <= 8 && row.route.size() <= 6 &&
                      row.message.size() <= 255 && (!row.shipTo || row.shipTo->size() <= 2);
    return keyFree && fits;
}

void CallStore::insertOrderRow(const OrderRow& row) {
    static const RowInsert insert("Orders", kOrderColumns);
    runInsert(insert, cached(insert.sql()), row);
}

Result CallStore::raiseNumberOfItems(int source, int callNumber, int orderSeqNumber, int* newCount) {
    if (raiseKnown(m_itemsOfOrder, source, callNumber, orderSeqNumber, newCount))
        return Result::success();
    return attempt([&] {
        // UPDATE and SELECT, as raiseNumberOfOrders.
        Use st(prepared(
            "UPDATE Orders SET NumberOfItems = NumberOfItems + 1 WHERE Source = ? AND CallNumber = ? "
            "AND OrderSeqNumber = ?"));
        bindValues(*st, source, callNumber, orderSeqNumber);
        if (st->exec() == 0)
            return Result::notFound();
        Use read(prepared("SELECT NumberOfItems FROM Orders WHERE Source = ? AND CallNumber = ? "
                          "AND OrderSeqNumber = ?"));
        bindValues(*read, source, callNumber, orderSeqNumber);
        if (!read->executeStep())
            return Result::success();
        const int count = read->getColumn(0).getInt();
        if (newCount)
            *newCount = count;
        know(m_itemsOfOrder, source, callNumber, orderSeqNumber, count);
        return Result::success();
    });
}

Result CallStore::insertItem(const ItemRow& row) {
    static const RowInsert insert("OrderLineItems", kItemColumns);
    return attempt([&] { runInsert(insert, atHand(insert.sql()), row); });
}

Result CallStore::setOrderMessage(int source, int callNumber, int orderSeqNumber, const QString& message) {
    // Orders.Message holds 255 characters. A longer message is refused by the update of its own below,
    // which reports it and leaves the order as it is: deferred, the refusal would fail every later
    // statement of the call and hold the whole file.
    constexpr qsizetype kMessageColumnWidth = 255;
    if (message.size() <= kMessageColumnWidth && m_itemsOfOrder &&
        m_itemsOfOrder->counts(source, callNumber, orderSeqNumber) && inTransaction()) {
        // The order was inserted in this unit of work: the message is written with its item count.
        m_itemsOfOrder->message = message;
        m_itemsOfOrder->unsaved = true;
        return Result::success();
    }
    return attempt([&] {
        Use st(prepared(
            "UPDATE Orders SET Message = ? WHERE Source = ? AND CallNumber = ? AND OrderSeqNumber = ?"));
        bindValues(*st, message, source, callNumber, orderSeqNumber);
        return changedOne(*st);
    });
}

Result CallStore::setPriceOverride(int source, int callNumber, int orderSeqNumber, int itemSeqNumber,
                                   int price) {
    return attempt([&] {
        Use st(prepared("UPDATE OrderLineItems SET PriceOverride = ? WHERE Source = ? AND CallNumber = ? "
                        "AND OrderSeqNumber = ? AND ItemSeqNumber = ?"));
        bindValues(*st, price, source, callNumber, orderSeqNumber, itemSeqNumber);
        return changedOne(*st);
    });
}

Result CallStore::setCallComplete(int source, int callNumber, std::optional<bool> goodCall) {
    return attempt([&] {
        if (m_ordersOfCall && m_ordersOfCall->counts(source, callNumber, 0) && inTransaction() &&
            m_ordersOfCall->heldCall) {
            // The call held since its insert is written now, complete, with its order count.
            saveCounter(m_itemsOfOrder);
            m_ordersOfCall->heldCall->complete = true;
            if (goodCall)
                m_ordersOfCall->heldCall->goodCall = *goodCall;
            saveCounter(m_ordersOfCall);
            return Result::success();
        }
        if (m_ordersOfCall && m_ordersOfCall->counts(source, callNumber, 0) && inTransaction()) {
            // The call's order count, counted in memory, is written by the same update.
            saveCounter(m_itemsOfOrder);
            Use st(prepared(
                "UPDATE Calls SET NumberOfOrders = ?, Complete = 1, GoodCall = coalesce(?, GoodCall) "
                "WHERE Source = ? AND CallNumber = ?",
                true));
            bindValues(*st, m_ordersOfCall->count, goodCall, source, callNumber);
            Result changed = changedOne(*st);
            m_ordersOfCall.reset();
            return changed;
        }
        Use st(prepared("UPDATE Calls SET Complete = 1, GoodCall = coalesce(?, GoodCall) "
                        "WHERE Source = ? AND CallNumber = ?"));
        bindValues(*st, goodCall, source, callNumber);
        return changedOne(*st);
    });
}

// --- export ---------------------------------------------------------------------------------------

void CallStore::readPendingGroup(const CallCursor& after, int limit, PendingGroup& group, Result* result) {
    static const RowSelect calls(kCallColumns,
                                 std::string("FROM Calls c WHERE ") + kPendingCall +
                                     " AND c.rowid > ? ORDER BY c.rowid LIMIT ?",
                                 "c.", "rowid");
    static const RowSelect orders(kOrderColumns, rowsOfPendingCalls("Orders", "r.OrderSeqNumber"), "r.");
    static const RowSelect items(
        kItemColumns, rowsOfPendingCalls("OrderLineItems", "r.OrderSeqNumber, r.ItemSeqNumber"), "r.");
    const bool read = attempt(result, [&] {
        // In one read transaction, so that the rows read belong to exactly the calls read: another
        // process may complete calls in between.
        const bool ownRead = !inTransaction();
        if (ownRead)
            runKept("BEGIN");
        try {
            const qint64 afterRowId = after.position();
            qint64 lastRowId = afterRowId;
            {
                UseReader st(reader(calls.sql()));
                bindValues(*st, afterRowId, limit);
                calls.allInto(group.calls, *st, [&](RowReader& r) { lastRowId = calls.position(r); });
            }
            group.end = CallCursor(lastRowId);
            if (group.calls.empty()) {
                group.orders.clear();
                group.items.clear();
            } else {
                UseReader readOrders(reader(orders.sql()));
                bindValues(*readOrders, afterRowId, lastRowId);
                orders.allInto(group.orders, *readOrders);
                UseReader readItems(reader(items.sql()));
                bindValues(*readItems, afterRowId, lastRowId);
                items.allInto(group.items, *readItems);
            }
            if (ownRead)
                runKept("COMMIT");
        } catch (...) {
            // Never left open: the next unit of work could not begin.
            if (ownRead && inTransaction())
                bestEffort([&] { m_db->exec("ROLLBACK"); });
            throw;
        }
        return true;
    });
    if (!read)
        group = PendingGroup{};
}

int CallStore::pendingCallCount(Result* result) {
    return attempt(result, [&] {
        static const std::string count = std::string("SELECT count(*) FROM Calls c WHERE ") + kPendingCall;
        Use st(prepared(count.c_str()));
        return st->executeStep() ? st->getColumn(0).getInt() : 0;
    });
}

std::vector<OrderRow> CallStore::ordersOfCall(int source, int callNumber, Result* result) {
    static const RowSelect select(kOrderColumns, "FROM Orders WHERE Source = ? AND CallNumber = ? "
                                                 "ORDER BY OrderSeqNumber");
    return attempt(result, [&] {
        Use st(prepared(select.sql()));
        bindValues(*st, source, callNumber);
        return select.all(*st);
    });
}

std::optional<OrderRow> CallStore::findOrder(int source, int callNumber, int orderSeqNumber, Result* result) {
    static const RowSelect select(kOrderColumns, "FROM Orders WHERE Source = ? AND CallNumber = ? "
                                                 "AND OrderSeqNumber = ?");
    return attempt(result, [&] {
        Use st(prepared(select.sql()));
        bindValues(*st, source, callNumber, orderSeqNumber);
        return select.first(*st);
    });
}

std::vector<ItemRow> CallStore::itemsOfOrder(int source, int callNumber, int orderSeqNumber, Result* result) {
    static const RowSelect select(kItemColumns, "FROM OrderLineItems WHERE Source = ? AND CallNumber = ? "
                                                "AND OrderSeqNumber = ? ORDER BY ItemSeqNumber");
    return attempt(result, [&] {
        Use st(prepared(select.sql()));
        bindValues(*st, source, callNumber, orderSeqNumber);
        return select.all(*st);
    });
}

Result CallStore::markExtracted(int source, int callNumber, const QString& fileName, const QDateTime& when) {
    return attempt([&] {
        Use st(prepared("UPDATE Calls SET ExtractedCall = 1, ExtractedDNT = ?, ExtractedFileName = ? "
                        "WHERE Source = ? AND CallNumber = ?"));
        bindValues(*st, when, fileName, source, callNumber);
        return changedOne(*st);
    });
}

Result CallStore::setExtracted(int source, int callNumber, bool extracted) {
    return attempt([&] {
        Use st(prepared("UPDATE Calls SET ExtractedCall = ? WHERE Source = ? AND CallNumber = ?"));
        bindValues(*st, extracted, source, callNumber);
        return changedOne(*st);
    });
}

// --- purge ----------------------------------------------------------------------------------------

std::optional<CallRow> CallStore::nextPurgeableCall(const QDateTime& cutoff, CallCursor& after,
                                                    Result* result) {
    static const RowSelect select(
        kCallColumns,
        "FROM Calls WHERE rowid > ? AND Complete = 1 AND CallDNT <= ? "
        "AND (GoodCall = 0 OR (GoodCall = 1 AND ExtractedCall = 1)) ORDER BY rowid LIMIT 1",
        {}, "rowid");
    return attempt(result, [&]() -> std::optional<CallRow> {
        Use st(prepared(select.sql()));
        bindValues(*st, after.position(), cutoff);
        if (!st->executeStep())
            return std::nullopt;
        after = CallCursor(select.position(*st));
        return select.read(*st);
    });
}

Result CallStore::deleteCallWithOrders(int source, int callNumber) {
    return attempt([&] {
        for (const char* sql : {"DELETE FROM Orders WHERE Source = ? AND CallNumber = ?",
                                "DELETE FROM OrderLineItems WHERE Source = ? AND CallNumber = ?",
                                "DELETE FROM Calls WHERE Source = ? AND CallNumber = ?"}) {
            Use st(prepared(sql));
            bindValues(*st, source, callNumber);
            st->exec();
        }
    });
}

// --- viewers and tests ----------------------------------------------------------------------------

std::vector<CallRow> CallStore::allCalls(Result* result) {
    static const RowSelect select(kCallColumns, "FROM Calls ORDER BY rowid");
    return attempt(result, [&] {
        saveCounters();
        SQLite::Statement st(*m_db, select.sql());
        return select.all(st);
    });
}

std::vector<OrderRow> CallStore::allOrders(Result* result) {
    static const RowSelect select(kOrderColumns, "FROM Orders ORDER BY Source, CallNumber, OrderSeqNumber");
    return attempt(result, [&] {
        saveCounters();
        SQLite::Statement st(*m_db, select.sql());
        return select.all(st);
    });
}

std::vector<ItemRow> CallStore::allItems(Result* result) {
    static const RowSelect select(
        kItemColumns, "FROM OrderLineItems ORDER BY Source, CallNumber, OrderSeqNumber, ItemSeqNumber");
    return attempt(result, [&] {
        SQLite::Statement st(*m_db, select.sql());
        return select.all(st);
    });
}

} // namespace vrq
