#pragma once

#include <QString>
#include <vector>

class QAbstractItemModel;
class QEvent;
class QLabel;
class QTableView;
class QWidget;

namespace vrq {

// A viewer window's grid as the details windows use it: no header row or column (header pictures stand
// above it), no editing or selection, fixed row height, the "Details" picture drawn in detailsColumn
// (-1 for none), and accessible under the given name.
QTableView* makeViewerGrid(QWidget* parent, QAbstractItemModel* model, const QString& objectName,
                           const QString& accessibleName, int detailsColumn, int rowHeightTwips);
// A label at its place in twips, widened when the system's face needs more room than the place gives.
QLabel* makeViewerLabel(QWidget* parent, const QString& text, int left, int top, int width, int height);
// Column widths in twips; a width of 0 hides the column. Edges are rounded from running totals, so
// the pixel widths add up to the grid's.
void setColumnWidthsTwips(QTableView* grid, const std::vector<int>& widths);

// The widest text a column must show whole (a date, a 13-digit item number).
struct ColumnText {
    int column;
    QString widest;
};
// Makes the grid's face smaller (to 8 pixels at the least) until each text fits its column with the
// cell's margins, whatever face the system gives. Call it once the column widths are set.
void fitGridFont(QTableView* grid, const std::vector<ColumnText>& widest);
// True for Enter or Space pressed on a grid with a current row: the key opens that row as a click does.
bool opensCurrentRow(const QTableView* grid, const QEvent* event);
// The widest text of a field of `length` characters: digits, as the hand-held units send them.
QString widestDigits(int length);

} // namespace vrq
