#pragma once

#include <QStyledItemDelegate>

namespace vrq {

// Draws a cell's picture (the "Details" button) at its natural size in the top-left corner of the cell,
// without the scaling and tinting a default item decoration gets.
class GridPictureDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

} // namespace vrq
