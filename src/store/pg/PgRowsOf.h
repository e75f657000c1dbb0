#pragma once

// The rows of Calls, Orders and OrderLineItems as the store's records: the columns a statement selects
// for each and the conversion of a row read. Included by the store's own sources only.

#include "store/StoreRecords.h"
#include "store/pg/PgSession.h"

#include <vector>

namespace vrq::pg {

// Calls as a CallRow holds it, then the call's Id (the cursor's position).
#define VRQ_CALL_COLUMNS(c)                                                                                  \
    c "Source, " c "CallNumber, " c "CallDNT, " c "GoodCall, " c "Complete, " c "ExtractedCall, " c          \
      "ExtractedFileName, " c "ExtractedDNT, " c "NumberOfOrders, " c "Displayed, " c "LineNumber, " c       \
      "Hour, " c "BadReason, " c "BadData, " c "NumBytes, " c "Workstation, " c "Id "
#define VRQ_ORDER_COLUMNS(c)                                                                                 \
    c "Source, " c "CallNumber, " c "OrderSeqNumber, " c "Salesperson, " c "Customer, " c "ShipTo, " c       \
      "Route, " c "Message, " c "NumberOfItems "
#define VRQ_ITEM_COLUMNS(c)                                                                                  \
    c "Source, " c "CallNumber, " c "OrderSeqNumber, " c "ItemSeqNumber, " c "ItemNumber, " c "Quantity, " c \
      "Unit, " c "DiscountPercent, " c "PriceOverride "

using Row = std::vector<Value>;

// A row of VRQ_CALL_COLUMNS, VRQ_ORDER_COLUMNS or VRQ_ITEM_COLUMNS; columns after those are not read.
CallRow callOf(const Row& v);
OrderRow orderOf(const Row& v);
ItemRow itemOf(const Row& v);

} // namespace vrq::pg
