#include "ui/viewers/ViewerGridView.h"

#include "ui/viewers/GridPictureDelegate.h"
#include "ui/viewers/Twips.h"
#include "ui/viewers/ViewerFormats.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTableView>

namespace vrq {

void setUpViewerGridView(QTableView* grid, int rowHeightTwips) {
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setDefaultSectionSize(Twips::toPixelsY(rowHeightTwips));
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    grid->setWordWrap(false);
    grid->setFrameStyle(QFrame::Box | QFrame::Plain);
    grid->setLineWidth(1);
}

void setColumnWidthsTwips(QTableView* grid, std::span<const int> widths) {
    int edgeTwips = 0;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const int column = static_cast<int>(i);
        grid->setColumnWidth(column, Twips::toPixelsX(edgeTwips + widths[i]) - Twips::toPixelsX(edgeTwips));
        grid->setColumnHidden(column, widths[i] == 0);
        edgeTwips += widths[i];
    }
}

void fitGridFontToDateColumn(QTableView* grid, int columnTwips) {
    const int column = Twips::toPixelsX(columnTwips);
    const QString widest = formatCallDateTime(QDateTime(QDate(2000, 12, 28), QTime(20, 58)));
    QFont font = grid->font();
    while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(widest) + 8 > column)
        font.setPixelSize(font.pixelSize() - 1);
    grid->setFont(font);
}

} // namespace vrq
