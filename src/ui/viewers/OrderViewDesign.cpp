#include "ui/viewers/OrderViewDesign.h"

namespace vrq {

namespace {

using Cell = OrderViewCell;
using Picture = HeaderPicture;

const OrderViewDesign kBySalesperson{
    OrderViewKind::BySalesperson,
    "frmSPCalls",
    "View Orders By Salesperson",
    4710,
    4545,
    "Salesperson",
    {360, 300, 915, 255},
    "txtSPNumber",
    6,
    {1320, 240, 1215, 315},
    2760,
    240,
    "OK",
    {1800, 3900, 1095, 375},
    5,
    {{{Cell::Details, 600},
      {Cell::CallNumber, 700},
      {Cell::DateTime, 1800},
      {Cell::Customer, 835},
      {Cell::DateKey, 0}}},
    {{{Picture::CallNumber, "imgCallNumber", 705, 1, SortKind::Numeric},
      {Picture::CallDateTime, "imgCallDNT", 1800, 4, SortKind::String},
      {Picture::Customer, "imgCustomer", 855, 3, SortKind::Numeric}}},
    3955,
    4205,
};

const OrderViewDesign kByCustomer{
    OrderViewKind::ByCustomer,
    "frmCustCalls",
    "View Orders By Customer",
    4845,
    4620,
    "Customer",
    {420, 360, 915, 255},
    "txtCustNumber",
    8,
    {1380, 300, 1215, 315},
    2760,
    300,
    "Done",
    {1920, 3900, 1035, 375},
    5,
    {{{Cell::Details, 600},
      {Cell::CallNumber, 700},
      {Cell::DateTime, 1800},
      {Cell::Salesperson, 900},
      {Cell::DateKey, 0}}},
    {{{Picture::CallNumber, "imgCallNumber", 705, 1, SortKind::Numeric},
      {Picture::CallDateTime, "imgCallDNT", 1800, 4, SortKind::String},
      {Picture::Salesman, "imgSalesperson", 1000, 3, SortKind::Numeric}}},
    4000,
    4260,
};

// The date view has no date and time column: every row is of the same day.
const OrderViewDesign kByDate{
    OrderViewKind::ByDate,
    "frmDateCalls",
    "View Orders By Date",
    3870,
    4350,
    "Date",
    {360, 360, 375, 255},
    "dtCallDate",
    0,
    {840, 300, 1215, 315},
    2280,
    300,
    "Done",
    {1380, 3780, 1095, 375},
    4,
    {{{Cell::Details, 600},
      {Cell::CallNumber, 700},
      {Cell::Salesperson, 865},
      {Cell::Customer, 840},
      {Cell::DateKey, 0}}},
    {{{Picture::CallNumber, "imgCallNumber", 705, 1, SortKind::Numeric},
      {Picture::Salesman, "imgSalesperson", 865, 2, SortKind::Numeric},
      {Picture::Customer, "imgCustomer", 855, 3, SortKind::Numeric}}},
    3030,
    3290,
};

} // namespace

int OrderViewDesign::columnOf(OrderViewCell cell) const {
    for (int i = 0; i < columnCount; ++i)
        if (columns[static_cast<std::size_t>(i)].cell == cell)
            return i;
    return -1;
}

const OrderViewDesign& OrderViewDesign::of(OrderViewKind kind) {
    switch (kind) {
    case OrderViewKind::ByCustomer:
        return kByCustomer;
    case OrderViewKind::ByDate:
        return kByDate;
    case OrderViewKind::BySalesperson:
        break;
    }
    return kBySalesperson;
}

} // namespace vrq
