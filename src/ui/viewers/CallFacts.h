#pragma once

#include "store/StoreRecords.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace vrq {

// The texts the call and order details windows show and print, worked out from store rows alone.

// "Call #12 not found."
QString callNotFoundLine(int callNumber);
// "Call #N made on MM/DD/YYYY at HH:MM ampm"
QString callMadeOnLine(const CallRow& call);
// "Extracted on ... to <file>" (or "... with no order file."), or "Not extracted."
QString extractionLine(const CallRow& call);
QString notExtractedLine();
// The three lines of the call details list for a call in the store.
QStringList callInfoLines(const CallRow& call);
// The lines of the order details list; a line whose value is absent is left out or empty as the window shows
// it.
QStringList orderInfoLines(const CallRow& call, const OrderRow& order);
// The order details caption; empty when the salesperson or customer is absent.
QString orderCaption(int callNumber, const OrderRow& order);
// "Call: #12 Details" or "File: #12 Details".
QString callCaption(int source, int callNumber);

// Whether a column of the row was Null in the store.
bool isAbsent(const OrderRow& order, const char* column);
bool isAbsent(const ItemRow& item, const char* column);

// Every character other than 0-9 becomes "_", after the trailing blanks are removed; the length stays.
QString maskNonDigits(const QString& text);
// "######0.00": at least one integer digit, always two decimals.
QString formatPrice(int price);
// One printed line item: 57 characters of fixed fields.
QString printedItemLine(const ItemRow& item);
// The width of the printed item number column.
constexpr int kPrintedItemNumberWidth = 13;

// A call as the printout needs it: the row (absent when not in the store) and its orders with items.
struct CallPrintData {
    int callNumber = 0;
    std::optional<CallRow> call;
    struct Order {
        OrderRow order;
        std::vector<ItemRow> items;
    };
    std::vector<Order> orders;
};

} // namespace vrq
