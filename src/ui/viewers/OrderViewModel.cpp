#include "ui/viewers/OrderViewModel.h"

#include "store/StoreRecords.h"
#include "ui/viewers/ViewerFormats.h"
#include "ui/viewers/WorkstationScope.h"

namespace vrq {

OrderViewModel::OrderViewModel(const OrderViewDesign& design, const HeaderPictures& pictures, QObject* parent)
    : RowGridModel<OrderViewGridRow>(pictures, design.columnCount + 1,
                                     design.columnOf(OrderViewCell::Details), parent),
      m_design(design) {}

OrderViewGridRow OrderViewModel::rowFor(const OrderViewRow& order) {
    return {order.source, order.callNumber, order.callDnt, order.salesperson, order.customer,
            false,        order.workstation};
}

OrderViewCell OrderViewModel::cellOf(int column) const {
    return m_design.columns[static_cast<std::size_t>(column)].cell;
}

QString OrderViewModel::cellText(const OrderViewGridRow& row, int column) const {
    if (column == workstationColumn())
        return QString::number(row.workstation);
    switch (cellOf(column)) {
    case OrderViewCell::CallNumber:
        return QString::number(row.callNumber);
    case OrderViewCell::DateTime:
        return formatCallDateTime(row.callDnt);
    case OrderViewCell::Salesperson:
        return row.salesperson;
    case OrderViewCell::Customer:
        return row.customer;
    case OrderViewCell::DateKey:
        return formatDateKey(row.callDnt);
    case OrderViewCell::Details:
        break;
    }
    return {};
}

QVariant OrderViewModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::AccessibleTextRole && index.isValid() && index.column() != workstationColumn() &&
        cellOf(index.column()) == OrderViewCell::Details)
        return QStringLiteral("Details");
    return RowGridModel<OrderViewGridRow>::data(index, role);
}

QVariant OrderViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section == workstationColumn())
        return workstationCaption();
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= m_design.columnCount)
        return RowGridModel<OrderViewGridRow>::headerData(section, orientation, role);
    switch (cellOf(section)) {
    case OrderViewCell::Details:
        return QStringLiteral("Details");
    case OrderViewCell::CallNumber:
        return QStringLiteral("Call Number");
    case OrderViewCell::DateTime:
        return QStringLiteral("Call Date and Time");
    case OrderViewCell::Salesperson:
        return QStringLiteral("Salesman");
    case OrderViewCell::Customer:
        return QStringLiteral("Customer");
    case OrderViewCell::DateKey:
        break;
    }
    return QStringLiteral("Date Key");
}

} // namespace vrq
