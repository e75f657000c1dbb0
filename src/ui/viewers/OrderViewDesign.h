#pragma once

#include "ui/viewers/GridSort.h"
#include "ui/viewers/HeaderPictures.h"

#include <array>
#include <span>

namespace vrq {

// The three order views (by salesperson, by customer, by date) are one window; this is everything in
// which they differ, as data.
enum class OrderViewKind { BySalesperson, ByCustomer, ByDate };

// What a grid column of an order view shows.
enum class OrderViewCell { Details, CallNumber, DateTime, Salesperson, Customer, DateKey };

struct TwipsBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct OrderViewColumn {
    OrderViewCell cell;
    int widthTwips;
};

struct OrderViewHeader {
    HeaderPicture picture;
    const char* name; // the picture control's name
    int widthTwips;
    int sortColumn;
    SortKind sortKind;
};

struct OrderViewDesign {
    OrderViewKind kind;
    const char* windowName;
    const char* caption;
    int clientWidth;
    int clientHeight;
    const char* labelText;
    TwipsBox label;
    const char* inputName;
    int inputMaxLength; // text views only
    TwipsBox input;
    int findLeft;
    int findTop;
    const char* closeCaption;
    TwipsBox close;
    int columnCount;
    std::array<OrderViewColumn, 5> columns;
    std::array<OrderViewHeader, 3> headers;
    int gridWidth;
    int gridWidthWithScrollBar; // from kRowsForScrollBar rows on

    std::span<const OrderViewColumn> gridColumns() const {
        return {columns.data(), static_cast<std::size_t>(columnCount)};
    }
    // The column a cell kind is shown in, or -1.
    int columnOf(OrderViewCell cell) const;
    bool isDateView() const { return kind == OrderViewKind::ByDate; }

    static const OrderViewDesign& of(OrderViewKind kind);
    static constexpr int kRowsForScrollBar = 10;
};

} // namespace vrq
