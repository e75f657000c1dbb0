#pragma once

#include "platform/Result.h"
#include "store/StoreRecords.h"

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace vrq {

// The Calls, Orders and OrderLineItems tables: what the intake stores, the export sends, the purge
// deletes and the viewers show of one call. The intake's raises of the order and item counts are
// counted in memory inside a unit of work and reach the tables before anything else can read them.
class CallRecords {
public:
    virtual ~CallRecords() = default;

    // --- intake ---------------------------------------------------------------------------------
    virtual std::optional<CallRow> findCall(int source, int callNumber, Result* result = nullptr) = 0;
    // First row with this number whatever its source (the older dialects complete calls this way).
    virtual std::optional<CallRow> findFirstCallByNumber(int callNumber, Result* result = nullptr) = 0;
    virtual Result insertCall(const CallRow& row) = 0;
    // Raises Calls.NumberOfOrders by one and gives the new value.
    virtual Result raiseNumberOfOrders(int source, int callNumber, int* newCount) = 0;
    virtual Result insertOrder(const OrderRow& row) = 0;
    // Raises Orders.NumberOfItems by one and gives the new value.
    virtual Result raiseNumberOfItems(int source, int callNumber, int orderSeqNumber, int* newCount) = 0;
    virtual Result insertItem(const ItemRow& row) = 0;
    virtual Result setOrderMessage(int source, int callNumber, int orderSeqNumber,
                                   const QString& message) = 0;
    virtual Result setPriceOverride(int source, int callNumber, int orderSeqNumber, int itemSeqNumber,
                                    int price) = 0;
    // Complete = True, and GoodCall when given.
    virtual Result setCallComplete(int source, int callNumber,
                                   std::optional<bool> goodCall = std::nullopt) = 0;

    // --- export ---------------------------------------------------------------------------------
    // Up to limit calls after the cursor (natural order) that are good, complete and not extracted, with
    // their orders and line items: read together, as one state of the store, into group, whose rows
    // (and their texts' room) are used again; after a failure it holds none. The group's end is where
    // the next group begins.
    virtual void readPendingGroup(const CallCursor& after, int limit, PendingGroup& group,
                                  Result* result = nullptr) = 0;
    // The same into a new group.
    PendingGroup pendingGroup(const CallCursor& after, int limit, Result* result = nullptr) {
        PendingGroup group;
        readPendingGroup(after, limit, group, result);
        return group;
    }
    // How many calls are good, complete and not extracted: the calls still to be sent.
    virtual int pendingCallCount(Result* result = nullptr) = 0;
    virtual std::vector<OrderRow> ordersOfCall(int source, int callNumber, Result* result = nullptr) = 0;
    virtual std::optional<OrderRow> findOrder(int source, int callNumber, int orderSeqNumber,
                                              Result* result = nullptr) = 0;
    virtual std::vector<ItemRow> itemsOfOrder(int source, int callNumber, int orderSeqNumber,
                                              Result* result = nullptr) = 0;
    virtual Result markExtracted(int source, int callNumber, const QString& fileName,
                                 const QDateTime& when) = 0;
    virtual Result setExtracted(int source, int callNumber, bool extracted) = 0;

    // --- purge ----------------------------------------------------------------------------------
    // The next call of the site (every workstation sharing the store) after the cursor that is
    // complete, at or before the cut-off, and bad or extracted; the cursor is moved past it.
    virtual std::optional<CallRow> nextPurgeableCall(const QDateTime& cutoff, CallCursor& after,
                                                     Result* result = nullptr) = 0;
    // Deletes the call's orders, then its line items, then the call row, of whichever workstation.
    virtual Result deleteCallWithOrders(const CallRow& call) = 0;

    // --- every row, in natural order: viewers, tools and tests -----------------------------------
    virtual std::vector<CallRow> allCalls(Result* result = nullptr) = 0;
    virtual std::vector<OrderRow> allOrders(Result* result = nullptr) = 0;
    virtual std::vector<ItemRow> allItems(Result* result = nullptr) = 0;
};

} // namespace vrq
