#pragma once

#include "platform/Result.h"
#include "store/StoreRecords.h"
#include "store/ViewScope.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <vector>

namespace vrq {

// The complete calls of the other workstations sharing the store, as the calls window shows them.
struct OtherWorkstationCalls {
    bool changed = false; // false: they are as the stamp given says, and calls is empty
    QString stamp{};      // what they are now, to give to the next read
    std::vector<CallDisplayRow> calls{};
};

// What the viewers read: the calls window's display marks, the order views and the list of calls.
// A read with a scope returns this workstation's rows or every workstation's; the rows say whose they are.
class ViewerQueries {
public:
    virtual ~ViewerQueries() = default;

    // Whether workstations other than this one may keep rows in the store (PostgreSQL): only then do
    // the viewers offer every workstation's rows.
    virtual bool sharedByWorkstations() const = 0;
    // The workstation whose rows the store reads and writes: the rows' own number (1 in a file).
    virtual int thisWorkstation() const = 0;

    // --- calls window ---------------------------------------------------------------------------
    // The marks are this workstation's own: only its calls are marked, reset and taken.
    // Displayed = False for every row, Source = 0 where it is Null.
    virtual Result resetDisplayed() = 0;
    // Every complete row not yet displayed, in natural order, marked displayed in the same step.
    // What resetDisplayed followed by takeUndisplayedCompleteCalls gives, in one pass that writes only
    // the rows whose mark changes (none, when the window shows the same calls as last time).
    virtual std::vector<CallDisplayRow> retakeAllCompleteCalls(Result* result = nullptr) = 0;
    virtual std::vector<CallDisplayRow> takeUndisplayedCompleteCalls(Result* result = nullptr) = 0;
    // The other workstations' complete calls in natural order, read without touching their marks.
    // When they are still what lastStamp says (a stamp an earlier read gave), only that is told: a
    // window that asks every second reads them again only after they changed. None in a store in a file.
    virtual OtherWorkstationCalls otherWorkstationsCompleteCalls(const QString& lastStamp,
                                                                 Result* result = nullptr) = 0;

    // --- order views and the list of calls ------------------------------------------------------
    // Every order whose Salesperson (Customer) is exactly the text given, blanks and letter case
    // included, with its call (same source and number), in the calls' natural order and then by order.
    virtual std::vector<OrderViewRow> ordersOfSalesperson(const QString& salesperson, ViewScope scope,
                                                          Result* result = nullptr) = 0;
    virtual std::vector<OrderViewRow> ordersOfCustomer(const QString& customer, ViewScope scope,
                                                       Result* result = nullptr) = 0;
    // Every order of the calls made from midnight of day up to, not including, midnight of the next.
    virtual std::vector<OrderViewRow> ordersOfDay(const QDate& day, ViewScope scope,
                                                  Result* result = nullptr) = 0;
    // The calls with from <= CallDNT <= through, by CallDNT (then natural order).
    virtual std::vector<CallRow> callsBetween(const QDateTime& from, const QDateTime& through,
                                              ViewScope scope, Result* result = nullptr) = 0;
    // The orders of a call callsBetween gave (of its own workstation), by order number; the PostgreSQL
    // store fills what the list of calls prints of them: key, salesperson, customer, number of items.
    virtual std::vector<OrderRow> ordersOfListedCall(const CallRow& call, Result* result = nullptr) = 0;
};

} // namespace vrq
