#include "ViewerTestSupport.h"

#include "ui/viewers/HeaderBar.h"
#include "ui/viewers/HeaderButton.h"
#include "ui/viewers/OrderViewModel.h"
#include "ui/viewers/OrdersViewWindow.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

namespace vrq::test {
namespace {

QStringList strings(const std::vector<const char*>& texts) {
    QStringList list;
    for (const char* text : texts)
        list << QString::fromUtf8(text);
    return list;
}

using Kind = OrderViewKind;

class OrdersViewTest : public StoreFixture {
protected:
    void addOrder(int source, int number, const QString& salesperson, const QString& customer) {
        int seq = 0;
        ASSERT_TRUE(m_store->raiseNumberOfOrders(source, number, &seq).ok()) << number;
        OrderRow order;
        order.source = source;
        order.callNumber = number;
        order.orderSeqNumber = seq;
        order.salesperson = salesperson;
        order.customer = customer;
        ASSERT_TRUE(m_store->insertOrder(order).ok()) << number;
    }
    // A call at `when` with one order.
    void addCallWithOrder(int source, int number, const QString& salesperson, const QString& customer,
                          QDateTime when = {}) {
        addCall(source, number, true, false, true, when);
        addOrder(source, number, salesperson, customer);
    }

    OrdersViewWindow& openView(Kind kind) {
        m_tester.reset();
        m_view = std::make_unique<OrdersViewWindow>(kind, m_ctx, *m_pictures, m_selected);
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_view->ordersGrid()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        m_view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_view.get()));
        return *m_view;
    }

    // Types the text (or picks the day) and presses "Find".
    void find(const QString& text, QDate day = {}) {
        if (QLineEdit* box = m_view->textInput()) {
            box->clear();
            QTest::keyClicks(box, text);
        } else {
            m_view->dateInput()->setDate(day);
        }
        QTest::mouseClick(m_view->findChild<QPushButton*>(QStringLiteral("cmdFind")), Qt::LeftButton);
    }

    QStringList column(OrderViewCell cell) const {
        const int c = m_view->design().columnOf(cell);
        QStringList texts;
        const QAbstractItemModel* model = m_view->ordersGrid()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            texts << model->index(row, c).data().toString();
        return texts;
    }
    QStringList numbers() const { return column(OrderViewCell::CallNumber); }

    void clickRow(int row) {
        const QAbstractItemModel* model = m_view->ordersGrid()->model();
        const QRect cell = m_view->ordersGrid()->visualRect(
            model->index(row, m_view->design().columnOf(OrderViewCell::CallNumber)));
        QTest::mouseClick(m_view->ordersGrid()->viewport(), Qt::LeftButton, {}, cell.center());
    }

    void TearDown() override {
        m_tester.reset();
        m_view.reset();
    }

    void SetUp() override {
        StoreFixture::SetUp();
        m_pictures = std::make_unique<HeaderPictures>(); // drawn once the application exists
    }

    std::unique_ptr<HeaderPictures> m_pictures;
    SelectedCall m_selected;
    std::unique_ptr<OrdersViewWindow> m_view;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

const QDate kDay(2010, 3, 7);

// --- finding orders ----------------------------------------------------------------------------------

struct FindCase {
    const char* name;
    Kind kind;
    const char* typed; // text views
    QDate day;         // date view
    std::vector<const char*> expected;
};

class OrdersViewFind : public OrdersViewTest, public ::testing::WithParamInterface<FindCase> {};

TEST_P(OrdersViewFind, ListsTheOrdersThatMatchExactly) {
    const FindCase c = GetParam();
    addCallWithOrder(0, 11, QStringLiteral("100"), QStringLiteral("5000"), QDateTime(kDay, QTime(8, 0)));
    addCallWithOrder(0, 12, QStringLiteral("100 "), QStringLiteral("5000 "), QDateTime(kDay, QTime(9, 0)));
    addCallWithOrder(0, 13, QStringLiteral("200"), QStringLiteral("6000"),
                     QDateTime(kDay.addDays(1), QTime(8, 0)));
    addCallWithOrder(1, 14, QStringLiteral("1'0"), QStringLiteral("5'00"),
                     QDateTime(kDay.addDays(2), QTime(8, 0)));
    openView(c.kind);
    find(QString::fromUtf8(c.typed), c.day);

    EXPECT_EQ(numbers(), strings(c.expected));
    // A quote finds only what holds it and fails nothing.
    for (const AuditRow& row : m_store->allAudit())
        EXPECT_NE(row.type, QStringLiteral("E")) << row.msg.toStdString();
    if (!c.expected.empty()) {
        EXPECT_TRUE(m_view->headerBar().headers().front()->isPressed());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Views, OrdersViewFind,
    ::testing::Values(FindCase{"SalespersonMatch", Kind::BySalesperson, "100", {}, {"11"}},
                      FindCase{"SalespersonNoMatch", Kind::BySalesperson, "300", {}, {}},
                      FindCase{"SalespersonTrailingBlank", Kind::BySalesperson, "100 ", {}, {"12"}},
                      FindCase{"SalespersonQuote", Kind::BySalesperson, "1'0", {}, {"14"}},
                      FindCase{"SalespersonQuoteOpen", Kind::BySalesperson, "' OR '1'='1", {}, {}},
                      FindCase{"SalespersonBlank", Kind::BySalesperson, "  ", {}, {}},
                      FindCase{"CustomerMatch", Kind::ByCustomer, "6000", {}, {"13"}},
                      FindCase{"CustomerNoMatch", Kind::ByCustomer, "600", {}, {}},
                      FindCase{"CustomerTrailingBlank", Kind::ByCustomer, "5000 ", {}, {"12"}},
                      FindCase{"CustomerQuote", Kind::ByCustomer, "5'00", {}, {"14"}},
                      FindCase{"DateMatch", Kind::ByDate, "", kDay, {"11", "12"}},
                      FindCase{"DateNoMatch", Kind::ByDate, "", kDay.addDays(5), {}}),
    RowName());

struct DayBoundCase {
    const char* name;
    QDateTime when;
    bool listed;
};

class OrdersViewDayBounds : public OrdersViewTest, public ::testing::WithParamInterface<DayBoundCase> {};

TEST_P(OrdersViewDayBounds, TakesTheDayFromMidnightUpToTheNext) {
    const DayBoundCase c = GetParam();
    addCallWithOrder(0, 21, QStringLiteral("1"), QStringLiteral("2"), c.when);
    openView(Kind::ByDate);
    find({}, kDay);
    EXPECT_EQ(numbers(), c.listed ? QStringList{QStringLiteral("21")} : QStringList{});
}

INSTANTIATE_TEST_SUITE_P(
    Times, OrdersViewDayBounds,
    ::testing::Values(DayBoundCase{"Midnight", QDateTime(kDay, QTime(0, 0)), true},
                      DayBoundCase{"ElevenFiftyNinePm", QDateTime(kDay, QTime(23, 59)), true},
                      DayBoundCase{"LastSecond", QDateTime(kDay, QTime(23, 59, 59)), true},
                      DayBoundCase{"NextMidnight", QDateTime(kDay.addDays(1), QTime(0, 0)), false},
                      DayBoundCase{"DayBefore", QDateTime(kDay.addDays(-1), QTime(23, 59, 59)), false}),
    RowName());

TEST_F(OrdersViewTest, DatePickerStartsAtToday) {
    OrdersViewWindow& w = openView(Kind::ByDate);
    EXPECT_EQ(w.dateInput()->date(), m_clock.now().date());
}

// --- rows and width ----------------------------------------------------------------------------------

struct WidthCase {
    const char* name;
    Kind kind;
    int rows;
    int width;
};

class OrdersViewWidth : public OrdersViewTest, public ::testing::WithParamInterface<WidthCase> {};

TEST_P(OrdersViewWidth, TenRowsMakeRoomForTheScrollBar) {
    const WidthCase c = GetParam();
    for (int n = 1; n <= c.rows; ++n)
        addCallWithOrder(0, n, QStringLiteral("7"), QStringLiteral("7"), QDateTime(kDay, QTime(8, n)));
    openView(c.kind);
    find(QStringLiteral("7"), kDay);
    EXPECT_EQ(numbers().size(), c.rows);
    EXPECT_EQ(m_view->gridWidthTwips(), c.width);
}

INSTANTIATE_TEST_SUITE_P(RowCounts, OrdersViewWidth,
                         ::testing::Values(WidthCase{"SalespersonNine", Kind::BySalesperson, 9, 3955},
                                           WidthCase{"SalespersonTen", Kind::BySalesperson, 10, 4205},
                                           WidthCase{"CustomerNine", Kind::ByCustomer, 9, 4000},
                                           WidthCase{"CustomerTen", Kind::ByCustomer, 10, 4260},
                                           WidthCase{"DateNine", Kind::ByDate, 9, 3030},
                                           WidthCase{"DateTen", Kind::ByDate, 10, 3290}),
                         RowName());

TEST_F(OrdersViewTest, EveryOrderOfACallIsARow) {
    addCall(0, 31);
    for (int i = 0; i < 3; ++i)
        addOrder(0, 31, QStringLiteral("7"), QStringLiteral("80") + QString::number(i));
    openView(Kind::BySalesperson);
    find(QStringLiteral("7"));
    EXPECT_EQ(numbers(), (strings({"31", "31", "31"})));
    EXPECT_EQ(column(OrderViewCell::Customer), (strings({"800", "801", "802"})));
}

TEST_F(OrdersViewTest, NewFindReplacesTheRowsAndABlankOneEmptiesTheGrid) {
    addCallWithOrder(0, 41, QStringLiteral("7"), QStringLiteral("8"));
    openView(Kind::BySalesperson);
    find(QStringLiteral("7"));
    find(QStringLiteral("7"));
    EXPECT_EQ(numbers(), strings({"41"}));
    find(QStringLiteral(" "));
    EXPECT_EQ(numbers(), QStringList{});
}

TEST_F(OrdersViewTest, DateHeaderOfTheCustomerViewSortsByTheHiddenKey) {
    // Text order of the shown dates would put 12/31/2009 after 01/01/2010.
    addCallWithOrder(0, 51, QStringLiteral("7"), QStringLiteral("8"),
                     QDateTime(QDate(2010, 1, 1), QTime(13, 0)));
    addCallWithOrder(0, 52, QStringLiteral("7"), QStringLiteral("8"),
                     QDateTime(QDate(2009, 12, 31), QTime(9, 0)));
    addCallWithOrder(0, 53, QStringLiteral("7"), QStringLiteral("8"),
                     QDateTime(QDate(2010, 1, 1), QTime(2, 0)));
    OrdersViewWindow& w = openView(Kind::ByCustomer);
    find(QStringLiteral("8"));
    QTest::mouseClick(w.headerBar().headers().at(1), Qt::LeftButton);
    EXPECT_EQ(numbers(), (strings({"52", "53", "51"})));
    EXPECT_TRUE(w.headerBar().headers().at(1)->isPressed());
}

// --- opening the call details ------------------------------------------------------------------------

TEST_F(OrdersViewTest, ACallAndAScannedFileOfOneNumberEachOpenTheirOwnCall) {
    addCallWithOrder(0, 61, QStringLiteral("7"), QStringLiteral("800"));
    addCallWithOrder(1, 61, QStringLiteral("7"), QStringLiteral("900"));
    addOrder(1, 61, QStringLiteral("7"), QStringLiteral("901"));
    OrdersViewWindow& w = openView(Kind::BySalesperson);
    find(QStringLiteral("7"));
    // Each order under its own call: three rows, not the six a join on the number alone gives.
    ASSERT_EQ(column(OrderViewCell::Customer), (strings({"800", "900", "901"})));

    std::vector<std::pair<int, bool>> opened; // source, details button pressed meanwhile
    QObject::connect(&w, &OrdersViewWindow::callDetailsRequested, &w, [&] {
        EXPECT_EQ(m_selected.SelectedCallNumber, 61);
        const int row = static_cast<int>(opened.size());
        opened.emplace_back(m_selected.SelectedSource, w.ordersModel().rowAt(row).detailsPressed);
    });
    for (int row = 0; row < 3; ++row)
        clickRow(row);
    EXPECT_EQ(opened, (std::vector<std::pair<int, bool>>{{0, true}, {1, true}, {1, true}}));
    for (int row = 0; row < 3; ++row)
        EXPECT_FALSE(w.ordersModel().rowAt(row).detailsPressed) << row;
}

TEST_F(OrdersViewTest, EnterOnARowOpensItsCallAndAnEmptyGridOpensNothing) {
    addCallWithOrder(1, 71, QStringLiteral("7"), QStringLiteral("8"));
    OrdersViewWindow& w = openView(Kind::BySalesperson);
    QSignalSpy requests(&w, &OrdersViewWindow::callDetailsRequested);
    QTest::mouseClick(w.ordersGrid()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    EXPECT_EQ(requests.count(), 0);

    find(QStringLiteral("7"));
    w.ordersGrid()->setFocus();
    w.ordersGrid()->setCurrentIndex(w.ordersGrid()->model()->index(0, 1));
    QTest::keyClick(w.ordersGrid(), Qt::Key_Return);
    EXPECT_EQ(requests.count(), 1);
    EXPECT_EQ(m_selected.SelectedSource, 1);
    EXPECT_EQ(m_selected.SelectedCallNumber, 71);
}

// --- accessibility -----------------------------------------------------------------------------------

struct AccessCase {
    const char* name;
    Kind kind;
};

class OrdersViewAccess : public OrdersViewTest, public ::testing::WithParamInterface<AccessCase> {};

TEST_P(OrdersViewAccess, EveryControlIsNamedAndTheGridReadsItsCaptions) {
    addCallWithOrder(0, 81, QStringLiteral("7"), QStringLiteral("7"), QDateTime(kDay, QTime(8, 0)));
    OrdersViewWindow& w = openView(GetParam().kind);
    find(QStringLiteral("7"), kDay);
    for (QWidget* child : w.findChildren<QWidget*>()) {
        if (!child->isVisible() || child->parentWidget() != &w)
            continue;
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(child);
        ASSERT_NE(control, nullptr);
        if (control->role() == QAccessible::StaticText)
            continue;
        EXPECT_FALSE(control->text(QAccessible::Name).isEmpty()) << child->objectName().toStdString();
    }
    QAccessibleTableInterface* grid = QAccessible::queryAccessibleInterface(w.ordersGrid())->tableInterface();
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->columnDescription(1), QStringLiteral("Call Number"));
    EXPECT_EQ(grid->cellAt(0, 0)->text(QAccessible::Name), QStringLiteral("Details"));
    EXPECT_EQ(grid->cellAt(0, 1)->text(QAccessible::Name), QStringLiteral("81"));
    const QStringList headers =
        strings({"Call Number", w.design().isDateView() ? "Salesman" : "Call Date and Time",
                 GetParam().kind == Kind::ByCustomer ? "Salesman" : "Customer"});
    QStringList named;
    for (HeaderButton* header : w.headerBar().headers())
        named << QAccessible::queryAccessibleInterface(header)->text(QAccessible::Name);
    EXPECT_EQ(named, headers);
}

INSTANTIATE_TEST_SUITE_P(Views, OrdersViewAccess,
                         ::testing::Values(AccessCase{"Salesperson", Kind::BySalesperson},
                                           AccessCase{"Customer", Kind::ByCustomer},
                                           AccessCase{"Date", Kind::ByDate}),
                         RowName());

} // namespace
} // namespace vrq::test
