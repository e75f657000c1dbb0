// What the order views and the list-of-calls report read: orders with their calls, and the calls of a
// period. Only reads; the typed text and the dates are bound as values.
//
// Salespeople and customers are stored padded with blanks (a customer is six digits and two blanks), so
// a find compares both sides without their trailing blanks: "130067" finds "130067  " and the reverse.
// Letter case still counts. No index serves these columns, so trimming them gives none up.
#include "store/sqlite/CallStore.h"

#include "store/sqlite/StoreAttempt.h"
#include "store/sqlite/StoreColumns.h"

#include <SQLiteCpp/SQLiteCpp.h>

namespace vrq {

namespace {

constexpr TableColumn<OrderViewRow> kOrderViewColumns[] = {
    selectOnly<&OrderViewRow::source>("Calls.Source"),
    selectOnly<&OrderViewRow::callNumber>("Calls.CallNumber"),
    selectOnly<&OrderViewRow::callDnt>("Calls.CallDNT"),
    selectOnly<&OrderViewRow::salesperson>("Orders.Salesperson"),
    selectOnly<&OrderViewRow::customer>("Orders.Customer"),
};

constexpr TableColumn<CallRow> kReportCallColumns[] = {
    selectOnly<&CallRow::source>("Source"),
    selectOnly<&CallRow::callNumber>("CallNumber"),
    selectOnly<&CallRow::callDnt>("CallDNT"),
    selectOnly<&CallRow::goodCall>("GoodCall"),
    selectOnly<&CallRow::complete>("Complete"),
    selectOnly<&CallRow::extractedCall>("ExtractedCall"),
    selectOnly<&CallRow::numberOfOrders>("NumberOfOrders"),
};

// The orders with their calls that meet the condition. An order belongs to the call of the same source
// and number: a scanned file never lends its orders to a call that happens to share its number.
std::string ordersWithCalls(std::string_view condition) {
    return "FROM Calls JOIN Orders ON Orders.Source = Calls.Source AND Orders.CallNumber = Calls.CallNumber "
           "WHERE " +
           std::string(condition) + " ORDER BY Calls.rowid, Orders.OrderSeqNumber";
}

} // namespace

std::vector<OrderViewRow> CallStore::ordersOfSalesperson(const QString& salesperson, Result* result) {
    static const RowSelect select(kOrderViewColumns, ordersWithCalls("rtrim(Orders.Salesperson) = rtrim(?)"));
    return attempt(result, [&] {
        Use st(prepared(select.sql()));
        bindValues(*st, salesperson);
        return select.all(*st);
    });
}

std::vector<OrderViewRow> CallStore::ordersOfCustomer(const QString& customer, Result* result) {
    static const RowSelect select(kOrderViewColumns, ordersWithCalls("rtrim(Orders.Customer) = rtrim(?)"));
    return attempt(result, [&] {
        Use st(prepared(select.sql()));
        bindValues(*st, customer);
        return select.all(*st);
    });
}

std::vector<OrderViewRow> CallStore::ordersOfDay(const QDate& day, Result* result) {
    static const RowSelect select(kOrderViewColumns,
                                  ordersWithCalls("Calls.CallDNT >= ? AND Calls.CallDNT < ?"));
    return attempt(result, [&] {
        Use st(prepared(select.sql()));
        bindValues(*st, QDateTime(day, QTime(0, 0)), QDateTime(day.addDays(1), QTime(0, 0)));
        return select.all(*st);
    });
}

std::vector<CallRow> CallStore::callsBetween(const QDateTime& from, const QDateTime& through,
                                             Result* result) {
    static const RowSelect select(kReportCallColumns,
                                  "FROM Calls WHERE CallDNT >= ? AND CallDNT <= ? ORDER BY CallDNT, rowid");
    return attempt(result, [&] {
        Use st(prepared(select.sql()));
        bindValues(*st, from, through);
        return select.all(*st);
    });
}

} // namespace vrq
