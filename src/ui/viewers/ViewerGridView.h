#pragma once

#include <span>

class QTableView;

namespace vrq {

// The look the viewer windows give their grids: no Qt headers (the header pictures stand in), fixed
// rows, no selection or editing, a plain one-pixel frame.
void setUpViewerGridView(QTableView* grid, int rowHeightTwips);
// Column widths in twips, edges rounded from running totals so the pixel widths add up to the grid's.
// A column of width 0 is hidden.
void setColumnWidthsTwips(QTableView* grid, std::span<const int> widths);
// Shrinks the grid's font until the widest date and time fits a column of this width.
void fitGridFontToDateColumn(QTableView* grid, int columnTwips);

} // namespace vrq
