#include "ui/viewers/LineItemsTableModel.h"

#include "store/StoreRecords.h"
#include "ui/viewers/CallFacts.h"

namespace vrq {

namespace {

QString numberText(const ItemRow& item, const char* column, int value) {
    return isAbsent(item, column) ? QString() : QString::number(value);
}

} // namespace

LineItemsTableModel::LineItemsTableModel(const HeaderPictures& pictures, QObject* parent)
    : RowGridModel<LineItemGridRow>(pictures, ColumnCount, -1, parent) {
    setColumnCaptions({QStringLiteral("Item Number"), QStringLiteral("Qty"), QStringLiteral("Level"),
                       QStringLiteral("Disc %"), QStringLiteral("Price")});
}

LineItemGridRow LineItemsTableModel::rowFor(const ItemRow& item) {
    LineItemGridRow row;
    row.itemNumber = item.itemNumber;
    row.quantity = numberText(item, "Quantity", item.quantity);
    row.unit = numberText(item, "Unit", item.unit);
    row.discountPercent = numberText(item, "DiscountPercent", item.discountPercent);
    row.priceOverride = numberText(item, "PriceOverride", item.priceOverride);
    return row;
}

void LineItemsTableModel::fill(const std::vector<ItemRow>& items, int rowCount) {
    fillPadded(items, rowCount, &LineItemsTableModel::rowFor);
}

QString LineItemsTableModel::cellText(const LineItemGridRow& row, int column) const {
    switch (column) {
    case ItemNumberColumn:
        return row.itemNumber;
    case QuantityColumn:
        return row.quantity;
    case UnitColumn:
        return row.unit;
    case DiscountColumn:
        return row.discountPercent;
    case PriceColumn:
        return row.priceOverride;
    default:
        return {};
    }
}

} // namespace vrq
