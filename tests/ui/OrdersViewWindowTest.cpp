#include "ViewerTestSupport.h"

#include "ui/viewers/HeaderBar.h"
#include "ui/viewers/HeaderButton.h"
#include "ui/viewers/OrderViewModel.h"
#include "ui/viewers/OrdersViewWindow.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

using Kind = OrderViewKind;

class OrdersViewTest : public WindowTest {
protected:
    // A call at `when` with one order.
    void addCallWithOrder(int source, int number, const QString& salesperson, const QString& customer,
                          QDateTime when = {}) {
        addCall(source, number, true, false, true, when);
        addOrder(source, number, salesperson, customer);
    }

    OrdersViewWindow& openView(Kind kind) {
        m_view = &keep(std::make_unique<OrdersViewWindow>(kind, fx.ctx, pictures, selected));
        return *m_view;
    }

    // Enters the text (or picks the day) and presses "Find".
    void find(const QString& text, QDate day = {}) {
        if (QLineEdit* box = m_view->textInput())
            box->setText(text);
        else
            m_view->dateInput()->setDate(day);
        QTest::mouseClick(m_view->findChild<QPushButton*>(u"cmdFind"_s), Qt::LeftButton);
    }

    QStringList column(OrderViewCell cell) const {
        return WindowTest::column(*m_view->ordersGrid()->model(), m_view->design().columnOf(cell));
    }
    QStringList numbers() const { return column(OrderViewCell::CallNumber); }

    OrdersViewWindow* m_view = nullptr;
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

TEST_P(OrdersViewFind, ListsTheOrdersThatMatchWithoutTrailingBlanks) {
    const FindCase c = GetParam();
    // The day runs from its midnight up to the next.
    addCallWithOrder(0, 11, u"100"_s, u"5000"_s, QDateTime(kDay, QTime(0, 0)));
    addCallWithOrder(0, 12, u"100 "_s, u"5000 "_s, QDateTime(kDay, QTime(23, 59, 59)));
    addCallWithOrder(0, 13, u"200"_s, u"6000"_s, QDateTime(kDay.addDays(1), QTime(0, 0)));
    addCallWithOrder(1, 14, u"1'0"_s, u"5'00"_s, QDateTime(kDay.addDays(2), QTime(8, 0)));
    openView(c.kind);
    find(QString::fromUtf8(c.typed), c.day);
    find(QString::fromUtf8(c.typed), c.day); // a new find replaces the rows

    EXPECT_EQ(numbers(), strings(c.expected));
    EXPECT_EQ(fx.auditMessages(u"E"_s), QStringList())
        << "a quote finds only what holds it and fails nothing";
    EXPECT_TRUE(c.expected.empty() || m_view->headerBar().headers().front()->isPressed());
}

INSTANTIATE_TEST_SUITE_P(
    Views, OrdersViewFind,
    ::testing::Values(FindCase{"SalespersonMatch", Kind::BySalesperson, "100", {}, {"11", "12"}},
                      FindCase{"SalespersonTrailingBlank", Kind::BySalesperson, "100 ", {}, {"11", "12"}},
                      FindCase{"SalespersonQuote", Kind::BySalesperson, "1'0", {}, {"14"}},
                      FindCase{"SalespersonQuoteOpen", Kind::BySalesperson, "' OR '1'='1", {}, {}},
                      FindCase{"CustomerMatch", Kind::ByCustomer, "6000", {}, {"13"}},
                      FindCase{"CustomerWithoutItsBlank", Kind::ByCustomer, "5000", {}, {"11", "12"}},
                      FindCase{"CustomerNoMatch", Kind::ByCustomer, "600", {}, {}},
                      FindCase{"DateMatch", Kind::ByDate, "", kDay, {"11", "12"}}),
    RowName());

// --- layout ----------------------------------------------------------------------------------------------

struct LayoutCase {
    const char* name;
    Kind kind;
};

class OrdersViewLayout : public OrdersViewTest, public ::testing::WithParamInterface<LayoutCase> {};

// The label before the box, widened for the system's face, keeps clear of it; so does the Find button.
TEST_P(OrdersViewLayout, TheLabelDoesNotTouchItsBox) {
    OrdersViewWindow& w = openView(GetParam().kind);
    QWidget* input = w.textInput() ? static_cast<QWidget*>(w.textInput()) : w.dateInput();
    QRect label;
    for (const QLabel* l : w.findChildren<QLabel*>())
        if (l->buddy() == input)
            label = l->geometry();
    ASSERT_TRUE(label.isValid());
    EXPECT_GE(input->geometry().left() - label.right(), 4) << "label ends at " << label.right();
    EXPECT_GE(w.findChild<QPushButton*>(u"cmdFind"_s)->geometry().left() - input->geometry().right(), 4);
    EXPECT_LE(w.findChild<QPushButton*>(u"cmdFind"_s)->geometry().right(), w.width());
}

INSTANTIATE_TEST_SUITE_P(Views, OrdersViewLayout,
                         ::testing::Values(LayoutCase{"BySalesperson", Kind::BySalesperson},
                                           LayoutCase{"ByCustomer", Kind::ByCustomer},
                                           LayoutCase{"ByDate", Kind::ByDate}),
                         RowName());

// --- opening the call details ------------------------------------------------------------------------

TEST_F(OrdersViewTest, ACallAndAScannedFileOfOneNumberEachOpenTheirOwnCall) {
    addCallWithOrder(0, 61, u"7"_s, u"800"_s);
    addCallWithOrder(1, 61, u"7"_s, u"900"_s);
    addOrder(1, 61, u"7"_s, u"901"_s);
    OrdersViewWindow& w = openView(Kind::BySalesperson);
    find(u"7"_s);
    // Each order under its own call: three rows, not the six a join on the number alone gives.
    ASSERT_EQ(column(OrderViewCell::Customer), (strings({"800", "900", "901"})));

    std::vector<int> opened; // the source of each call opened
    QObject::connect(&w, &OrdersViewWindow::callDetailsRequested, &w, [&] {
        EXPECT_EQ(selected.selectedCallNumber, 61);
        opened.push_back(selected.selectedSource);
    });
    for (int row = 0; row < 3; ++row)
        clickRow(*w.ordersGrid(), row, w.design().columnOf(OrderViewCell::CallNumber));
    EXPECT_EQ(opened, (std::vector<int>{0, 1, 1}));
}

} // namespace
} // namespace vrq::test
