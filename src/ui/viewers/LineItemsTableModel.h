#pragma once

#include "ui/viewers/RowGridModel.h"

namespace vrq {

struct ItemRow;

// One row of the order details' line-item grid, as stored; empty for a row no item filled.
struct LineItemGridRow {
    QString itemNumber;
    QString quantity;
    QString unit;
    QString discountPercent;
    QString priceOverride;
    bool detailsPressed = false; // the grid has no "Details" column
};

// The rows of the order details window's line-item grid (object name "fgLineItems"): item number,
// quantity, unit (level), discount and price, all sorted as numbers.
class LineItemsTableModel : public RowGridModel<LineItemGridRow> {
    Q_OBJECT
public:
    enum Column { ItemNumberColumn, QuantityColumn, UnitColumn, DiscountColumn, PriceColumn, ColumnCount };

    explicit LineItemsTableModel(const HeaderPictures& pictures, QObject* parent = nullptr);

    static LineItemGridRow rowFor(const ItemRow& item);
    // rowCount rows: the items first, then empty rows; more items than rowCount add rows.
    void fill(const std::vector<ItemRow>& items, int rowCount);

protected:
    QString cellText(const LineItemGridRow& row, int column) const override;
};

} // namespace vrq
