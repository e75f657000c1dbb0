#include "ui/viewers/CallPrintout.h"

#include "store/Store.h"
#include "ui/viewers/CallFacts.h"
#include "ui/viewers/ViewerFormats.h"

namespace vrq {

namespace {

const QString kFamily = QStringLiteral("Courier New");

void addOrder(PrintDocument& document, const CallPrintData::Order& entry) {
    const OrderRow& order = entry.order;
    const QString indent(10, QLatin1Char(' '));
    document.addLine(QStringLiteral("Salesperson: ") + maskNonDigits(order.salesperson));
    document.addLine(QStringLiteral("Customer: ") + maskNonDigits(order.customer));
    document.addLine(QStringLiteral("Route: ") + (isAbsent(order, "Route") ? QString() : order.route));
    document.addLine(QStringLiteral("Message: ") + (isAbsent(order, "Message") ? QString() : order.message));
    document.addLine(QStringLiteral("Number of Items: %1").arg(order.numberOfItems));
    document.addEmptyLines(1);
    const QString gap(3, QLatin1Char(' '));
    document.addLine(indent + QStringLiteral("Item Number").leftJustified(kPrintedItemNumberWidth) + gap +
                     QStringLiteral("Qty   Unit   Disc %   Price Override"));
    document.addLine(indent + QString(kPrintedItemNumberWidth, QLatin1Char('-')) + gap +
                     QStringLiteral("---   ----   ------   --------------"));
    for (const ItemRow& item : entry.items)
        document.addLine(printedItemLine(item));
    document.addEmptyLines(2);
}

} // namespace

PrintDocument callPrintout(const CallPrintData& data) {
    PrintDocument document(QStringLiteral("Call #%1 Details").arg(data.callNumber));
    document.setFont({kFamily, 18, true});
    document.addLine(QStringLiteral("Call #%1 Details").arg(data.callNumber));
    document.setFont({kFamily, 11, false});
    document.addEmptyLines(1);
    if (!data.call)
        return document;
    const CallRow& call = *data.call;
    document.addLine((call.goodCall ? QStringLiteral("Good ") : QStringLiteral("Bad ")) +
                     QStringLiteral("Call #%1 made on ").arg(data.callNumber) +
                     formatCallDateTimeAt(call.callDnt));
    document.addEmptyLines(1);
    for (const CallPrintData::Order& order : data.orders)
        addOrder(document, order);
    return document;
}

CallPrintData loadCallPrintData(Store& store, int source, int callNumber, Result* result) {
    CallPrintData data;
    data.callNumber = callNumber;
    data.call = store.calls().findCall(source, callNumber, result);
    if (!data.call || (result && !result->ok()))
        return data;
    const std::vector<OrderRow> orders = store.calls().ordersOfCall(source, callNumber, result);
    for (const OrderRow& order : orders) {
        if (result && !result->ok())
            break;
        data.orders.push_back(
            {order, store.calls().itemsOfOrder(source, callNumber, order.orderSeqNumber, result)});
    }
    return data;
}

} // namespace vrq
