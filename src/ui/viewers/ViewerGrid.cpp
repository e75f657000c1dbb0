#include "ui/viewers/ViewerGrid.h"

#include "ui/viewers/GridPictureDelegate.h"
#include "ui/viewers/Twips.h"

#include <algorithm>

#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTableView>

namespace vrq {

namespace {

// A row click opens a window at once, so the second click of a double-click lands on whatever that window
// put under the pointer, often another grid. Such a grid takes the double-click and its release as no
// click at all: one double-click opens one window.
class SecondClickFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonDblClick:
            m_swallowRelease = true;
            return true;
        case QEvent::MouseButtonRelease:
            if (m_swallowRelease) {
                m_swallowRelease = false;
                return true;
            }
            break;
        case QEvent::MouseButtonPress:
            m_swallowRelease = false;
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_swallowRelease = false;
};

} // namespace

QTableView* makeViewerGrid(QWidget* parent, QAbstractItemModel* model, const QString& objectName,
                           const QString& accessibleName, int detailsColumn, int rowHeightTwips) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(objectName);
    grid->setAccessibleName(accessibleName);
    grid->setModel(model);
    if (detailsColumn >= 0)
        grid->setItemDelegateForColumn(detailsColumn, new GridPictureDelegate(grid));
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setDefaultSectionSize(Twips::toPixelsY(rowHeightTwips));
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab goes on to the next control; the arrow keys move in the grid.
    grid->setTabKeyNavigation(false);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    grid->setWordWrap(false);
    grid->setFrameStyle(QFrame::Box | QFrame::Plain);
    grid->setLineWidth(1);
    grid->viewport()->installEventFilter(new SecondClickFilter(grid));
    return grid;
}

QLabel* makeViewerLabel(QWidget* parent, const QString& text, int left, int top, int width, int height) {
    auto* label = new QLabel(text, parent);
    const QRect place = Twips::rect(left, top, width, height);
    label->setGeometry(place);
    label->resize(std::max(place.width(), label->sizeHint().width()), place.height());
    return label;
}

void fitGridFont(QTableView* grid, const std::vector<ColumnText>& widest) {
    constexpr int kCellMargins = 8;
    constexpr int kSmallestPixels = 8;
    QFont font = grid->font();
    if (font.pixelSize() <= 0)
        font.setPixelSize(QFontInfo(font).pixelSize());
    const auto fits = [&] {
        const QFontMetrics metrics(font);
        return std::all_of(widest.begin(), widest.end(), [&](const ColumnText& text) {
            return metrics.horizontalAdvance(text.widest) + kCellMargins <= grid->columnWidth(text.column);
        });
    };
    while (font.pixelSize() > kSmallestPixels && !fits())
        font.setPixelSize(font.pixelSize() - 1);
    grid->setFont(font);
}

QString widestDigits(int length) {
    return QString(length, QLatin1Char('8'));
}

void setColumnWidthsTwips(QTableView* grid, const std::vector<int>& widths) {
    int edgeTwips = 0;
    for (std::size_t column = 0; column < widths.size(); ++column) {
        const int c = static_cast<int>(column);
        const int width = widths[column];
        grid->setColumnWidth(c, Twips::toPixelsX(edgeTwips + width) - Twips::toPixelsX(edgeTwips));
        grid->setColumnHidden(c, width == 0);
        edgeTwips += width;
    }
}

bool opensCurrentRow(const QTableView* grid, const QEvent* event) {
    if (event->type() != QEvent::KeyPress || !grid->currentIndex().isValid())
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
}

} // namespace vrq
