#include "ViewerTestSupport.h"

#include <SQLiteCpp/Database.h>

#include "ui/viewers/CallDetailsWindow.h"
#include "ui/viewers/CallsTableModel.h"
#include "ui/viewers/CallsWindow.h"
#include "ui/viewers/LineItemsTableModel.h"
#include "ui/viewers/OrderDetailsWindow.h"
#include "ui/viewers/OrdersTableModel.h"
#include "ui/viewers/OrdersViewWindow.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

// The widest values each field can hold: the grids show them whole, not cut short with "...".
class GridFitTest : public WindowTest {
protected:
    void SetUp() override {
        addCall(0, 99999, true, false, true, QDateTime(QDate(2000, 12, 28), QTime(20, 58)));
        addOrder(0, 99999, u"999999"_s, u"99999999"_s, u"MSG"_s, 1);
        fx.store->database().exec("UPDATE Orders SET Route = '999999'");
        addItem(0, 99999, 1, 1, u"9999999999999"_s, -999, 99999);
        select(0, 99999, 1);
    }

    // A cell's text is drawn whole when it and the delegate's margins fit the column.
    static void expectShownWhole(const QTableView& grid, std::initializer_list<int> columns) {
        const int margins = 2 * (grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1);
        const QFontMetrics metrics(grid.font());
        for (int column : columns) {
            const QString text = grid.model()->index(0, column).data().toString();
            ASSERT_FALSE(text.isEmpty()) << grid.objectName().toStdString() << " column " << column;
            EXPECT_LE(metrics.horizontalAdvance(text) + margins, grid.columnWidth(column))
                << grid.objectName().toStdString() << " column " << column << ": " << text.toStdString();
        }
    }
};

TEST_F(GridFitTest, EveryGridShowsTheWidestValuesWhole) {
    CallsWindow calls(fx.ctx);
    expectShownWhole(*calls.callsGrid(), {CallsTableModel::NumberColumn, CallsTableModel::DateTimeColumn});

    CallDetailsWindow details(fx.ctx, selected, pictures);
    expectShownWhole(*details.findChild<QTableView*>(u"fgOrders"_s),
                     {OrdersTableModel::SalespersonColumn, OrdersTableModel::CustomerColumn,
                      OrdersTableModel::RouteColumn});

    const CallRow call = *fx.store->findCall(0, 99999);
    const OrderRow order = fx.store->ordersOfCall(0, 99999).front();
    OrderDetailsWindow items(call, order, fx.store->itemsOfOrder(0, 99999, 1), pictures);
    expectShownWhole(*items.findChild<QTableView*>(u"fgLineItems"_s),
                     {LineItemsTableModel::ItemNumberColumn, LineItemsTableModel::QuantityColumn,
                      LineItemsTableModel::PriceColumn});

    for (OrderViewKind kind : {OrderViewKind::BySalesperson, OrderViewKind::ByCustomer}) {
        OrdersViewWindow view(kind, fx.ctx, pictures, selected);
        view.textInput()->setText(kind == OrderViewKind::BySalesperson ? u"999999"_s : u"99999999"_s);
        view.findOrders();
        const OrderViewDesign& design = view.design();
        const bool bySalesperson = kind == OrderViewKind::BySalesperson;
        expectShownWhole(
            *view.ordersGrid(),
            {design.columnOf(OrderViewCell::CallNumber), design.columnOf(OrderViewCell::DateTime),
             design.columnOf(bySalesperson ? OrderViewCell::Customer : OrderViewCell::Salesperson)});
    }
}

} // namespace
} // namespace vrq::test
