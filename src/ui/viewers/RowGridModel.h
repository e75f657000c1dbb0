#pragma once

#include "ui/viewers/HeaderPictures.h"
#include "ui/viewers/ViewerGridModel.h"

#include <QImage>
#include <QStringList>
#include <algorithm>
#include <utility>
#include <vector>

namespace vrq {

// A viewer grid's model over a vector of plain rows. Row must have a `bool detailsPressed`, the state
// of its "Details" button in detailsColumn (-1 for a grid without one). Subclasses say what each cell
// shows; sorting and row changes are shared.
template <class Row> class RowGridModel : public ViewerGridModel {
public:
    RowGridModel(const HeaderPictures& pictures, int columns, int detailsColumn, QObject* parent = nullptr)
        : ViewerGridModel(parent), m_pictures(pictures), m_columns(columns), m_detailsColumn(detailsColumn) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : m_columns;
    }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override {
        if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
            return {};
        const Row& row = m_rows[static_cast<std::size_t>(index.row())];
        if (index.column() == m_detailsColumn) {
            if (role == Qt::DecorationRole)
                return m_pictures.picture(HeaderPicture::Details, row.detailsPressed);
            // What a screen reader says for the button picture.
            if (role == Qt::AccessibleTextRole)
                return QStringLiteral("Details");
            return {};
        }
        if (role == Qt::DisplayRole)
            return cellText(row, index.column());
        return cellData(row, index.column(), role);
    }

    // The column headers by caption, for the accessibility interface (the grid's own header row is
    // hidden: header pictures stand in for it).
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < m_captions.size())
            return m_captions[section];
        return ViewerGridModel::headerData(section, orientation, role);
    }
    void setColumnCaptions(QStringList captions) { m_captions = std::move(captions); }

    void sortByColumn(int column, SortKind kind) override {
        beginResetModel();
        sortGridRows(m_rows, kind, [this, column](const Row& row) { return cellText(row, column); });
        endResetModel();
    }

    void setDetailsPressed(int row, bool pressed) override {
        if (row < 0 || row >= rowCount() || m_detailsColumn < 0)
            return;
        m_rows[static_cast<std::size_t>(row)].detailsPressed = pressed;
        const QModelIndex cell = index(row, m_detailsColumn);
        emit dataChanged(cell, cell, {Qt::DecorationRole});
    }

    const std::vector<Row>& rows() const { return m_rows; }
    const Row& rowAt(int row) const { return m_rows[static_cast<std::size_t>(row)]; }

    // New rows go to the end, whatever order an earlier sort left.
    void appendRows(std::vector<Row> rows) {
        if (rows.empty())
            return;
        const int first = rowCount();
        beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.size()) - 1);
        m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()),
                      std::make_move_iterator(rows.end()));
        endInsertRows();
    }

    // Replaces every row: one per record made by rowFor, then empty rows up to rowCount. A damaged count
    // must not ask for millions of empty rows, so the padding stops at 10,000.
    template <class Record, class MakeRow>
    void fillPadded(const std::vector<Record>& records, int rowCount, MakeRow rowFor) {
        constexpr int kMostEmptyRows = 10000;
        std::vector<Row> rows;
        rows.reserve(records.size());
        for (const Record& record : records)
            rows.push_back(rowFor(record));
        const auto wanted = static_cast<std::size_t>(std::max(0, std::min(rowCount, kMostEmptyRows)));
        if (rows.size() < wanted)
            rows.resize(wanted);
        clear();
        appendRows(std::move(rows));
    }

    void removeRowAt(int row) {
        if (row < 0 || row >= rowCount())
            return;
        beginRemoveRows(QModelIndex(), row, row);
        m_rows.erase(m_rows.begin() + row);
        endRemoveRows();
    }

    void clear() {
        beginResetModel();
        m_rows.clear();
        m_rows.shrink_to_fit();
        endResetModel();
    }

    // Changes one row in place and repaints it.
    template <class Change> void changeRow(int row, Change change) {
        if (row < 0 || row >= rowCount())
            return;
        change(m_rows[static_cast<std::size_t>(row)]);
        emit dataChanged(index(row, 0), index(row, m_columns - 1));
    }

protected:
    virtual QString cellText(const Row& row, int column) const = 0;
    // Roles other than the text (colours, alignment); nothing by default.
    virtual QVariant cellData(const Row&, int, int) const { return {}; }

private:
    const HeaderPictures& m_pictures;
    int m_columns;
    int m_detailsColumn;
    QStringList m_captions;
    std::vector<Row> m_rows;
};

} // namespace vrq
