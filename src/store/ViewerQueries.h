#pragma once

#include "platform/Result.h"
#include "store/StoreRecords.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <vector>

namespace vrq {

// What the viewers read: the calls window's display marks, the order views and the list of calls.
class ViewerQueries {
public:
    virtual ~ViewerQueries() = default;

    // --- calls window ---------------------------------------------------------------------------
    // Displayed = False for every row, Source = 0 where it is Null.
    virtual Result resetDisplayed() = 0;
    // Every complete row not yet displayed, in natural order, marked displayed in the same step.
    // What resetDisplayed followed by takeUndisplayedCompleteCalls gives, in one pass that writes only
    // the rows whose mark changes (none, when the window shows the same calls as last time).
    virtual std::vector<CallDisplayRow> retakeAllCompleteCalls(Result* result = nullptr) = 0;
    virtual std::vector<CallDisplayRow> takeUndisplayedCompleteCalls(Result* result = nullptr) = 0;

    // --- order views and the list of calls ------------------------------------------------------
    // Every order whose Salesperson (Customer) is exactly the text given, blanks and letter case
    // included, with its call (same source and number), in the calls' natural order and then by order.
    virtual std::vector<OrderViewRow> ordersOfSalesperson(const QString& salesperson,
                                                          Result* result = nullptr) = 0;
    virtual std::vector<OrderViewRow> ordersOfCustomer(const QString& customer, Result* result = nullptr) = 0;
    // Every order of the calls made from midnight of day up to, not including, midnight of the next.
    virtual std::vector<OrderViewRow> ordersOfDay(const QDate& day, Result* result = nullptr) = 0;
    // The calls with from <= CallDNT <= through, by CallDNT (then natural order).
    virtual std::vector<CallRow> callsBetween(const QDateTime& from, const QDateTime& through,
                                              Result* result = nullptr) = 0;
};

} // namespace vrq
