#include "ui/viewers/GridPictureDelegate.h"

#include <QImage>
#include <QPainter>

namespace vrq {

void GridPictureDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    const QVariant picture = index.data(Qt::DecorationRole);
    if (picture.typeId() != QMetaType::QImage) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    painter->save();
    painter->setClipRect(option.rect);
    painter->drawImage(option.rect.topLeft(), picture.value<QImage>());
    painter->restore();
}

} // namespace vrq
