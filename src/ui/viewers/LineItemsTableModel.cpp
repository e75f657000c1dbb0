#include "ui/viewers/LineItemsTableModel.h"

#include "store/StoreRecords.h"
#include "ui/viewers/CallFacts.h"

#include <algorithm>

namespace vrq {

namespace {

constexpr int kMostEmptyRows = 10000;

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
    std::vector<LineItemGridRow> rows;
    for (const ItemRow& item : items)
        rows.push_back(rowFor(item));
    // A damaged count must not ask for millions of empty rows.
    rowCount = std::min(rowCount, kMostEmptyRows);
    while (static_cast<int>(rows.size()) < rowCount)
        rows.emplace_back();
    clear();
    appendRows(std::move(rows));
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
