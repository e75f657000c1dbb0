#pragma once

#include "ui/viewers/GridSort.h"

#include <QAbstractTableModel>

namespace vrq {

// What the header row and the row clicks of a viewer window need from its grid's model.
class ViewerGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // One-off ascending rearrangement of the rows present by one column.
    virtual void sortByColumn(int column, SortKind kind) = 0;
    // Shows the "Details" button of one row pressed or raised.
    virtual void setDetailsPressed(int row, bool pressed) = 0;
};

} // namespace vrq
