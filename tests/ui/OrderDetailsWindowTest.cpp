#include "ViewerTestSupport.h"

#include "store/StoreProbe.h"
#include "support/ResultChecks.h"
#include "ui/viewers/LineItemsTableModel.h"
#include "ui/viewers/OrderDetailsWindow.h"

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

class OrderDetailsTest : public WindowTest {
protected:
    // Opens the order as a row click does and runs see on the window before closing it; false when
    // no window opened.
    bool openOrder(int source, int number, int order, const std::function<void(OrderDetailsWindow&)>& see) {
        select(source, number, order);
        auto closer = closeNextModalWindow(
            u"frmOrderDetails"_s, [&](QWidget* modal) { see(*qobject_cast<OrderDetailsWindow*>(modal)); });
        return OrderDetailsWindow::showModal(fx.ctx, selected, pictures, nullptr);
    }
};

TEST_F(OrderDetailsTest, OrderWithoutShipToAndRouteShowsTheirLinesEmpty) {
    addCall(0, 30, true, true);
    addOrder(0, 30, u"123456"_s, u"778899"_s, u"Call first"_s, 1);
    // Rows written by an older program have them Null.
    ASSERT_TRUE(succeeded(StoreProbe(*fx.store).exec(u"UPDATE Orders SET ShipTo = NULL, Route = NULL"_s)));
    QStringList shown; // the caption, then the lines
    ASSERT_TRUE(openOrder(0, 30, 1, [&](OrderDetailsWindow& w) {
        shown = QStringList{w.windowTitle()} + lines(w, "lstOrderInfo");
    }));
    EXPECT_EQ(shown,
              strings({"Call #30 Order by Salesperson: 123456 for Customer: 778899 Details",
                       "Call #30 made on 03/07/2010 at 02:05 PM",
                       "Extracted on 03/08/2010 at 09:30 AM to QX740001.Rcv", "Salesperson: 123456",
                       "Customer: 778899", "Ship To: ", "", "Message: Call first", "Number of Items 1"}));
}

struct ItemsCase {
    const char* name;
    int numberOfItems;
    int stored;
    const char* quantities; // of each row, "|" between rows
};

class OrderDetailsItems : public OrderDetailsTest, public ::testing::WithParamInterface<ItemsCase> {};

TEST_P(OrderDetailsItems, ARowForEachItemCountedOrStored) {
    const ItemsCase c = GetParam();
    addCall(0, 32);
    addOrder(0, 32, u"1"_s, u"2"_s, u"M"_s, c.numberOfItems);
    for (int i = 1; i <= c.stored; ++i)
        addItem(0, 32, 1, i, QString::number(100 - i), i);
    QStringList quantities;
    ASSERT_TRUE(openOrder(0, 32, 1, [&](OrderDetailsWindow& w) {
        quantities = column(w, "fgLineItems", LineItemsTableModel::QuantityColumn);
    }));
    EXPECT_EQ(quantities.join(u'|'), QLatin1String(c.quantities));
}

INSTANTIATE_TEST_SUITE_P(Rows, OrderDetailsItems,
                         ::testing::Values(ItemsCase{"AsCounted", 4, 4, "1|2|3|4"},
                                           ItemsCase{"FewerThanCounted", 3, 1, "1||"},
                                           ItemsCase{"MoreThanCountedAreAdded", 2, 5, "1|2|3|4|5"}),
                         RowName());

} // namespace
} // namespace vrq::test
