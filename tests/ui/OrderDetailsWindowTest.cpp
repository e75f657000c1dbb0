#include "ViewerTestSupport.h"

#include <SQLiteCpp/Database.h>

#include "ui/viewers/CallFacts.h"
#include "ui/viewers/HeaderButton.h"
#include "ui/viewers/LineItemsTableModel.h"
#include "ui/viewers/OrderDetailsWindow.h"

namespace vrq::test {
namespace {

class OrderDetailsTest : public WindowTest {
protected:
    // Opens the order as a row click does and runs see on the window before closing it; false when
    // no window opened.
    bool openOrder(int source, int number, int order, const std::function<void(OrderDetailsWindow&)>& see) {
        select(source, number, order);
        auto closer = closeNextModalWindow(QStringLiteral("frmOrderDetails"), [&](QWidget* modal) {
            see(*qobject_cast<OrderDetailsWindow*>(modal));
        });
        return OrderDetailsWindow::showModal(fx.ctx, selected, pictures, nullptr);
    }
};

TEST_F(OrderDetailsTest, OrderWithoutShipToAndRouteShowsTheirLinesEmpty) {
    addCall(0, 30, true, true);
    addOrder(0, 30, QStringLiteral("123456"), QStringLiteral("778899"), QStringLiteral("Call first"), 1);
    // Rows written by an older program have them Null.
    fx.store->database().exec("UPDATE Orders SET ShipTo = NULL, Route = NULL");
    QStringList shown;
    QString caption;
    ASSERT_TRUE(openOrder(0, 30, 1, [&](OrderDetailsWindow& w) {
        shown = lines(w, "lstOrderInfo");
        caption = w.windowTitle();
    }));
    EXPECT_EQ(caption, QStringLiteral("Call #30 Order by Salesperson: 123456 for Customer: 778899 Details"));
    const QStringList expected{QStringLiteral("Call #30 made on 03/07/2010 at 02:05 PM"),
                               QStringLiteral("Extracted on 03/08/2010 at 09:30 AM to QX740001.Rcv"),
                               QStringLiteral("Salesperson: 123456"),
                               QStringLiteral("Customer: 778899"),
                               QStringLiteral("Ship To: "),
                               QString(),
                               QStringLiteral("Message: Call first"),
                               QStringLiteral("Number of Items 1")};
    EXPECT_EQ(shown, expected);
}

// The order of the other source (an order the call lacks: CallDetailsWindowTest's row no order filled).
TEST_F(OrderDetailsTest, OrderOfTheOtherSourceSaysUnableToFindAndOpensNoWindow) {
    addCall(0, 31);
    addOrder(0, 31, QStringLiteral("1"), QStringLiteral("2"));
    auto box = answerNextMessageBox(QMessageBox::Ok);
    EXPECT_FALSE(openOrder(1, 31, 1, [](OrderDetailsWindow&) { ADD_FAILURE() << "opened"; }));
    EXPECT_EQ(box->title, QStringLiteral("VRQToQX7"));
    EXPECT_EQ(box->text, QStringLiteral("Unable to find this order."));
}

struct ItemsCase {
    const char* name;
    int numberOfItems;
    int stored;
    int rows;
    int width;
};

class OrderDetailsItems : public OrderDetailsTest, public ::testing::WithParamInterface<ItemsCase> {};

TEST_P(OrderDetailsItems, RowsAndGridWidth) {
    const ItemsCase c = GetParam();
    addCall(0, 32);
    addOrder(0, 32, QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("M"), c.numberOfItems);
    for (int i = 1; i <= c.stored; ++i)
        addItem(0, 32, 1, i, QString::number(100 - i), i);
    QStringList quantities;
    int width = 0;
    ASSERT_TRUE(openOrder(0, 32, 1, [&](OrderDetailsWindow& w) {
        quantities = column(w, "fgLineItems", LineItemsTableModel::QuantityColumn);
        width = w.gridWidthTwips();
    }));
    EXPECT_EQ(quantities.size(), c.rows);
    for (int i = 1; i <= c.stored; ++i)
        EXPECT_EQ(quantities.value(i - 1), QString::number(i));
    EXPECT_EQ(width, c.width);
}

INSTANTIATE_TEST_SUITE_P(Rows, OrderDetailsItems,
                         ::testing::Values(ItemsCase{"FourItems", 4, 4, 4, 4015},
                                           ItemsCase{"FiveItems", 5, 5, 5, 4275},
                                           ItemsCase{"FewerThanCounted", 3, 1, 3, 4015},
                                           ItemsCase{"MoreThanCountedAreAdded", 2, 5, 5, 4275}),
                         RowName());

TEST_F(OrderDetailsTest, ItemNumberHeaderSortsAsNumbers) {
    addCall(0, 33);
    addOrder(0, 33, QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("M"), 3);
    addItem(0, 33, 1, 1, QStringLiteral("100"), 1);
    addItem(0, 33, 1, 2, QStringLiteral("9"), 2);
    addItem(0, 33, 1, 3, QStringLiteral("20"), 3);
    QStringList sorted;
    ASSERT_TRUE(openOrder(0, 33, 1, [&](OrderDetailsWindow& w) {
        QTest::mouseClick(w.findChild<HeaderButton*>(QStringLiteral("imgItNum")), Qt::LeftButton);
        sorted = column(w, "fgLineItems", LineItemsTableModel::ItemNumberColumn);
    }));
    EXPECT_EQ(sorted, (QStringList{QStringLiteral("9"), QStringLiteral("20"), QStringLiteral("100")}));
}

struct ItemLineCase {
    const char* name;
    const char* itemNumber;
    int quantity;
    int price;
    const char* line;
};

class PrintedItemLine : public ::testing::TestWithParam<ItemLineCase> {};

// The fixed fields of one printed line item: 57 characters whatever the values.
TEST_P(PrintedItemLine, FixedFields) {
    const ItemLineCase c = GetParam();
    ItemRow item;
    item.itemNumber = QString::fromLatin1(c.itemNumber);
    item.quantity = c.quantity;
    item.unit = 12;
    item.discountPercent = 150;
    item.priceOverride = c.price;
    const QString line = printedItemLine(item);
    EXPECT_EQ(line, QLatin1String(c.line));
    EXPECT_EQ(line.size(), 57);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PrintedItemLine,
    ::testing::Values(ItemLineCase{"Plain", "12345", 3, 1234,
                                   "          12345           3     12      150       1234.00"},
                      ItemLineCase{"LongNumberCut", "1234567890123", -100, -1,
                                   "          12345678901   100     12      150         -1.00"},
                      ItemLineCase{"PriceCutToItsField", "1", 1, 2000000000,
                                   "          1               1     12      150   00000000.00"}),
    RowName());

} // namespace
} // namespace vrq::test
