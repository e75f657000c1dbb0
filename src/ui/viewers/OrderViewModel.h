#pragma once

#include "ui/viewers/OrderViewDesign.h"
#include "ui/viewers/RowGridModel.h"

#include <QDateTime>

namespace vrq {

struct OrderViewRow;

// One row of an order view: one order with the call it belongs to.
struct OrderViewGridRow {
    int source = 0;
    int callNumber = 0;
    QDateTime callDnt;
    QString salesperson;
    QString customer;
    bool detailsPressed = false;
    int workstation = 1;
};

// The grid of an order view; which column shows what comes from the view's design. After the design's
// columns comes the workstation of the call, which the window shows with every workstation's orders.
class OrderViewModel : public RowGridModel<OrderViewGridRow> {
    Q_OBJECT
public:
    OrderViewModel(const OrderViewDesign& design, const HeaderPictures& pictures, QObject* parent = nullptr);

    static OrderViewGridRow rowFor(const OrderViewRow& order);
    int workstationColumn() const { return m_design.columnCount; }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Column captions, for screen readers.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

protected:
    QString cellText(const OrderViewGridRow& row, int column) const override;

private:
    OrderViewCell cellOf(int column) const;

    const OrderViewDesign& m_design;
};

} // namespace vrq
