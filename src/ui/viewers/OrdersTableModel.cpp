#include "ui/viewers/OrdersTableModel.h"

#include "store/StoreRecords.h"
#include "ui/viewers/CallFacts.h"

namespace vrq {

OrdersTableModel::OrdersTableModel(const HeaderPictures& pictures, QObject* parent)
    : RowGridModel<OrderGridRow>(pictures, ColumnCount, DetailsColumn, parent) {
    setColumnCaptions({QStringLiteral("Details"), QStringLiteral("Salesperson"), QStringLiteral("Customer"),
                       QStringLiteral("Route"), QStringLiteral("# Items"), QStringLiteral("Message"),
                       QStringLiteral("Order Number")});
}

OrderGridRow OrdersTableModel::rowFor(const OrderRow& order) {
    OrderGridRow row;
    row.salesperson = order.salesperson;
    row.customer = order.customer;
    row.route = isAbsent(order, "Route") ? QString() : order.route;
    row.numberOfItems = QString::number(order.numberOfItems);
    QString message = isAbsent(order, "Message") ? QString() : order.message;
    while (message.endsWith(QLatin1Char(' ')))
        message.chop(1);
    row.message = message;
    row.orderSeqNumber = order.orderSeqNumber;
    return row;
}

void OrdersTableModel::fill(const std::vector<OrderRow>& orders, int rowCount) {
    fillPadded(orders, rowCount, &OrdersTableModel::rowFor);
}

QString OrdersTableModel::cellText(const OrderGridRow& row, int column) const {
    switch (column) {
    case SalespersonColumn:
        return row.salesperson;
    case CustomerColumn:
        return row.customer;
    case RouteColumn:
        return row.route;
    case NumItemsColumn:
        return row.numberOfItems;
    case MessageColumn:
        return row.message;
    case OrderSeqColumn:
        return row.orderSeqNumber > 0 ? QString::number(row.orderSeqNumber) : QString();
    default:
        return {};
    }
}

} // namespace vrq
