#pragma once

#include "ui/viewers/RowGridModel.h"

namespace vrq {

struct OrderRow;

// One row of the call details' orders grid. A row no order filled (the call counts more orders than
// the store holds) shows nothing and has order number 0.
struct OrderGridRow {
    QString salesperson;
    QString customer;
    QString route;
    QString numberOfItems;
    QString message;
    int orderSeqNumber = 0;
    bool detailsPressed = false;
};

// The rows of the call details window's order grid (object name "fgOrders"): Details button,
// salesperson, customer, route, number of items, message, and the hidden order number a row click opens.
class OrdersTableModel : public RowGridModel<OrderGridRow> {
    Q_OBJECT
public:
    enum Column {
        DetailsColumn,
        SalespersonColumn,
        CustomerColumn,
        RouteColumn,
        NumItemsColumn,
        MessageColumn,
        OrderSeqColumn,
        ColumnCount
    };

    explicit OrdersTableModel(const HeaderPictures& pictures, QObject* parent = nullptr);

    static OrderGridRow rowFor(const OrderRow& order);
    // rowCount rows: the orders first, then empty rows; more orders than rowCount add rows.
    void fill(const std::vector<OrderRow>& orders, int rowCount);

protected:
    QString cellText(const OrderGridRow& row, int column) const override;
};

} // namespace vrq
