#include "ViewerTestSupport.h"

#include "store/StoreProbe.h"
#include "support/ResultChecks.h"
#include "ui/viewers/ListCallsDialog.h"
#include "ui/viewers/ListOfCallsReport.h"

#include <QPushButton>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

const QDate kDay(2026, 3, 12);

class ListOfCallsReportTest : public WindowTest {
protected:
    // Orders of salesperson "42    " for customers C<number>01, C<number>02, ..., of 1, 2, ... items.
    void addOrders(int source, int number, int count) {
        for (int i = 1; i <= count; ++i)
            addOrder(source, number, u"42    "_s, u"C"_s + QString::number(number * 100 + i) + u"  "_s, {},
                     i);
    }
    // Each page's body for the boxes: its lines between the header and the empty lines before the footer.
    std::vector<QStringList> bodies(bool good, bool bad) {
        Result result;
        const PrintDocument document =
            listOfCallsDocument(*fx.store, {kDay, kDay, good, bad, QDateTime(kDay, QTime(16, 5))}, &result);
        EXPECT_TRUE(result.ok()) << result.message.toStdString();
        std::vector<QStringList> pages;
        for (const PrintPage& page : document.pages()) {
            QStringList lines;
            for (const PrintLine& line : page.lines)
                lines << line.text;
            lines = lines.mid(7, lines.size() - 8);
            while (!lines.isEmpty() && lines.last().isEmpty())
                lines.removeLast();
            pages.push_back(lines);
        }
        return pages;
    }
};

TEST_F(ListOfCallsReportTest, CallsTheBoxesAskForByTimeFromTheFromDayThroughTheToDayEachWithItsOwnOrders) {
    addCall(0, 5, true, false, true, QDateTime(kDay.addDays(1), QTime(0, 0))); // midnight ending the To day
    addCall(0, 4, true, true, true, QDateTime(kDay, QTime(0, 0)));
    addCall(1, 4, true, false, true, QDateTime(kDay, QTime(12, 0))); // a scanned file of the same number
    addOrders(1, 4, 2);
    addCall(0, 7, false, false, true, QDateTime(kDay, QTime(21, 7)));
    addOrders(0, 7, 1);
    addCall(0, 3, true, false, true, QDateTime(kDay.addDays(-1), QTime(23, 59, 59)));
    addCall(0, 6, true, false, true, QDateTime(kDay.addDays(1), QTime(0, 0, 1)));
    const QStringList all = strings({"Call # 4 - Good - made on 03/12/2026 at 12:00 AM - Extracted", "",
                                     "Call # 4 - Good - made on 03/12/2026 at 12:00 PM",
                                     "    Order for Customer C401 by Salesperson 42.  Number of Items = 1",
                                     "    Order for Customer C402 by Salesperson 42.  Number of Items = 2",
                                     "", "Call # 7 - Bad  - made on 03/12/2026 at 09:07 PM",
                                     "    Order for Customer C701 by Salesperson 42.  Number of Items = 1",
                                     "", "Call # 5 - Good - made on 03/13/2026 at 12:00 AM"});
    EXPECT_EQ(bodies(true, true).at(0), all);
    EXPECT_EQ(bodies(true, false).at(0), all.mid(0, 6) + all.mid(9));
    EXPECT_EQ(bodies(false, true).at(0), all.mid(6, 2));
}

// Pages as the dialog and vrqtoqx7-report print them: no page of a header and a footer only, and a page
// that says so when there is no call to list.
struct PagingCase {
    const char* name;
    std::vector<int> callLines;      // per good call of the day, its report lines: call, orders, empty line
    bool badCallOnly;                // a bad call of the day instead, which the good-calls box leaves out
    std::vector<QStringList> bodies; // each page's body: its first and last line, or its only line
};

class ListOfCallsPaging : public ListOfCallsReportTest, public ::testing::WithParamInterface<PagingCase> {};

TEST_P(ListOfCallsPaging, NoPageHoldsOnlyTheHeaderAndFooter) {
    const PagingCase c = GetParam();
    int number = 0;
    for (const int lines : c.callLines) {
        ++number;
        addCall(0, number, true, false, true, QDateTime(kDay, QTime(8, number)));
        addOrders(0, number, lines - 2);
    }
    if (c.badCallOnly)
        addCall(0, 99, false, false, true, QDateTime(kDay, QTime(9, 0)));
    addCall(0, 98, true, false, true, QDateTime(kDay.addDays(-1), QTime(9, 0))); // the day before
    std::vector<QStringList> ends;
    for (const QStringList& lines : bodies(true, false))
        ends.push_back(lines.size() > 1 ? QStringList{lines.first(), lines.last()} : lines);
    EXPECT_EQ(ends, c.bodies);
}

const QStringList kNoCalls{u"No calls recorded during the specified period."_s};

INSTANTIATE_TEST_SUITE_P(
    Pages, ListOfCallsPaging,
    ::testing::Values(
        PagingCase{"NoCallThatDay", {}, false, {kNoCalls}},
        PagingCase{"OnlyACallTheBoxesLeaveOut", {}, true, {kNoCalls}},
        PagingCase{"LastCallFillsThePage",
                   {54},
                   false,
                   {{u"Call # 1 - Good - made on 03/12/2026 at 08:01 AM"_s,
                     u"    Order for Customer C152 by Salesperson 42.  Number of Items = 52"_s}}},
        PagingCase{"NextCallAfterAFullPage",
                   {54, 3},
                   false,
                   {{u"Call # 1 - Good - made on 03/12/2026 at 08:01 AM"_s,
                     u"    Order for Customer C152 by Salesperson 42.  Number of Items = 52"_s},
                    {u"Call # 2 - Good - made on 03/12/2026 at 08:02 AM"_s,
                     u"    Order for Customer C201 by Salesperson 42.  Number of Items = 1"_s}}}),
    RowName());

// --- the dialog ----------------------------------------------------------------------------------------

TEST_F(ListOfCallsReportTest, StoreErrorIsReportedAndClosesTheDialog) {
    addCall(0, 1, true, false, true, QDateTime(QDate(2010, 3, 8), QTime(8, 0)));
    ASSERT_TRUE(succeeded(StoreProbe(*fx.store).exec(u"DROP TABLE Orders"_s)));
    ListCallsDialog dialog(fx.ctx);
    dialog.show();
    auto seen = answerNextMessageBox(QMessageBox::Ok);
    QTest::mouseClick(dialog.findChild<QPushButton*>(u"cmdPrint"_s), Qt::LeftButton);
    EXPECT_TRUE(seen->text.startsWith(u"Report had an error.  (Error: 1 - no such table: Orders"_s))
        << seen->text.toStdString();
    EXPECT_TRUE(seen->text.endsWith(u')'));
    EXPECT_FALSE(dialog.isVisible());
}

} // namespace
} // namespace vrq::test
