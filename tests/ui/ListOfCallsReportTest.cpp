#include "ViewerTestSupport.h"

#include "ui/viewers/ListCallsDialog.h"
#include "ui/viewers/ListOfCallsReport.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QPushButton>
#include <SQLiteCpp/Database.h>

namespace vrq::test {
namespace {

const QDate kDay(2026, 3, 12);

// A printed line as the tests compare it: its text, size and weight.
struct Line {
    QString text;
    int pointSize = 11;
    bool bold = false;
    friend bool operator==(const Line&, const Line&) = default;
};
using Page = std::vector<Line>;

class ListOfCallsReportTest : public WindowTest {
protected:
    // Orders of salesperson "42    " for customers C<number>01, C<number>02, ..., of 1, 2, ... items.
    void addOrders(int source, int number, int count) {
        for (int i = 1; i <= count; ++i)
            addOrder(source, number, QStringLiteral("42    "),
                     QStringLiteral("C") + QString::number(number * 100 + i) + QStringLiteral("  "), {}, i);
    }
    // A good call of kDay whose orders fill `bodyLines` lines (the call line, the orders, the empty line).
    void addCallFilling(int number, int bodyLines, QTime at) {
        addCall(0, number, true, false, true, QDateTime(kDay, at));
        addOrders(0, number, bodyLines - 2);
    }
    std::vector<Page> pages(bool good = true, bool bad = false, QDate from = kDay, QDate to = kDay) {
        Result result;
        ListOfCallsRequest request{from, to, good, bad, QDateTime(kDay, QTime(16, 5))};
        const PrintDocument document = listOfCallsDocument(*fx.store, request, &result);
        EXPECT_TRUE(result.ok()) << result.message.toStdString();
        std::vector<Page> laidOut;
        for (const PrintPage& page : document.pages()) {
            laidOut.emplace_back();
            for (const PrintLine& line : page.lines) {
                EXPECT_EQ(line.font.family, QStringLiteral("Courier New"));
                laidOut.back().push_back({line.text, line.font.pointSize, line.font.bold});
            }
        }
        return laidOut;
    }
    // The body of a page: the lines between the header and the empty lines before the footer.
    static QStringList body(const Page& page) {
        QStringList lines;
        for (std::size_t i = 7; i + 1 < page.size(); ++i)
            lines << page[i].text;
        while (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }
};

QString pageFooter(int n) {
    return QString(41, QLatin1Char(' ')) + QStringLiteral("Page ") + QString::number(n);
}

TEST_F(ListOfCallsReportTest, PageHeaderAndFooterInTheirFonts) {
    addCall(0, 1234, true, true, true, QDateTime(kDay, QTime(9, 15)));
    const std::vector<Page> laidOut = pages();
    ASSERT_EQ(laidOut.size(), 1u);
    const Page& page = laidOut[0];
    ASSERT_EQ(page.size(), 63u);
    const std::vector<Line> header(page.begin(), page.begin() + 7);
    EXPECT_EQ(header, (std::vector<Line>{
                          {QStringLiteral("VRQtoQX7") + QString(59, QLatin1Char(' ')) +
                               QStringLiteral("03/12/26 04:05 PM"),
                           11, false},
                          {QString(22, QLatin1Char(' ')) + QStringLiteral("Call List Report"), 16, true},
                          {QString(), 11, false},
                          {QString(), 11, false},
                          {QStringLiteral("From: 03/12/2026"), 11, true},
                          {QStringLiteral("  To: 03/12/2026"), 11, true},
                          {QString(), 11, false}}));
    EXPECT_EQ(page[7].text,
              QStringLiteral("Call # 1234 - Good - made on 03/12/2026 at 09:15 AM - Extracted"));
    EXPECT_EQ(page[8].text, QString());
    EXPECT_EQ(page[62], (Line{pageFooter(1), 11, false}));
}

struct BoxesCase {
    const char* name;
    bool good;
    bool bad;
    std::vector<const char*> calls;
};

class ListOfCallsBoxes : public ListOfCallsReportTest, public ::testing::WithParamInterface<BoxesCase> {};

TEST_P(ListOfCallsBoxes, ListTheCallsTheBoxesAskFor) {
    const BoxesCase c = GetParam();
    addCall(0, 1, true, false, true, QDateTime(kDay, QTime(8, 0)));
    addCall(0, 2, false, false, true, QDateTime(kDay, QTime(9, 0)));
    const std::vector<Page> laidOut = pages(c.good, c.bad);
    ASSERT_EQ(laidOut.size(), 1u);
    QStringList calls;
    for (const QString& line : body(laidOut[0]))
        if (!line.isEmpty())
            calls << line.section(QLatin1Char(' '), 0, 4);
    EXPECT_EQ(calls, strings(c.calls));
    EXPECT_EQ(laidOut[0].size(), 63u);
}

INSTANTIATE_TEST_SUITE_P(Boxes, ListOfCallsBoxes,
                         ::testing::Values(BoxesCase{"Good", true, false, {"Call # 1 - Good"}},
                                           BoxesCase{"Bad", false, true, {"Call # 2 - Bad"}},
                                           BoxesCase{
                                               "Both", true, true, {"Call # 1 - Good", "Call # 2 - Bad"}},
                                           BoxesCase{"NeitherGivesHeaderAndFooterOnly", false, false, {}}),
                         RowName());

TEST_F(ListOfCallsReportTest, NoCallInThePeriodIsSaidWhateverTheBoxes) {
    addCall(0, 1, true, false, true, QDateTime(kDay.addDays(3), QTime(8, 0)));
    for (bool good : {true, false}) {
        const std::vector<Page> laidOut = pages(good, false);
        ASSERT_EQ(laidOut.size(), 1u);
        EXPECT_EQ(body(laidOut[0]), strings({"No calls recorded during the specified period."}));
    }
}

TEST_F(ListOfCallsReportTest, CallsByTimeFromTheFromDayThroughTheToDayEachWithItsOwnOrders) {
    addCall(0, 5, true, false, true, QDateTime(kDay.addDays(1), QTime(0, 0))); // midnight ending the To day
    addCall(0, 4, true, false, true, QDateTime(kDay, QTime(0, 0)));
    addCall(1, 4, true, false, true, QDateTime(kDay, QTime(12, 0))); // a scanned file of the same number
    addOrders(1, 4, 2);
    addCall(0, 7, false, false, true, QDateTime(kDay, QTime(21, 7)));
    addOrders(0, 7, 1);
    addCall(0, 3, true, false, true, QDateTime(kDay.addDays(-1), QTime(23, 59, 59)));
    addCall(0, 6, true, false, true, QDateTime(kDay.addDays(1), QTime(0, 0, 1)));
    EXPECT_EQ(body(pages(true, true).at(0)),
              (strings({"Call # 4 - Good - made on 03/12/2026 at 12:00 AM", "",
                        "Call # 4 - Good - made on 03/12/2026 at 12:00 PM",
                        "    Order for Customer C401 by Salesperson 42.  Number of Items = 1",
                        "    Order for Customer C402 by Salesperson 42.  Number of Items = 2", "",
                        "Call # 7 - Bad  - made on 03/12/2026 at 09:07 PM",
                        "    Order for Customer C701 by Salesperson 42.  Number of Items = 1", "",
                        "Call # 5 - Good - made on 03/13/2026 at 12:00 AM"})));
}

struct PagingCase {
    const char* name;
    std::vector<int> callLines; // body lines of each call, in call order
    int pages;
    const char* lastPageFirstLine;
};

class ListOfCallsPaging : public ListOfCallsReportTest, public ::testing::WithParamInterface<PagingCase> {};

TEST_P(ListOfCallsPaging, FiftyThreeBodyLinesAPageAndTheFooterOnLineSixtyThree) {
    const PagingCase c = GetParam();
    int number = 0;
    int remaining = 0;
    for (int lines : c.callLines) {
        ++number;
        addCallFilling(number, lines, QTime(8, 0).addSecs(60 * number));
        remaining += lines;
    }
    const std::vector<Page> laidOut = pages();
    ASSERT_EQ(static_cast<int>(laidOut.size()), c.pages);
    for (int p = 0; p < c.pages; ++p) {
        const Page& page = laidOut[static_cast<std::size_t>(p)];
        ASSERT_EQ(page.size(), 63u) << p;
        EXPECT_EQ(page[62].text, pageFooter(p + 1));
        EXPECT_EQ(page[2].text,
                  p == 0 ? QString() : QString(39, QLatin1Char(' ')) + QStringLiteral("continued"));
        const int bodyLines = std::min(remaining, 53);
        remaining -= bodyLines;
        // The line before the page's last body line is always text (a call or an order line).
        EXPECT_FALSE(page[static_cast<std::size_t>(5 + bodyLines)].text.isEmpty()) << p;
        for (std::size_t i = 7 + static_cast<std::size_t>(bodyLines); i < 62; ++i)
            EXPECT_EQ(page[i].text, QString()) << p << " line " << i + 1;
    }
    EXPECT_EQ(laidOut.back()[7].text, QString::fromLatin1(c.lastPageFirstLine));
}

INSTANTIATE_TEST_SUITE_P(
    Pages, ListOfCallsPaging,
    ::testing::Values(
        PagingCase{"FiftyThreeFitOnePage", {53}, 1, "Call # 1 - Good - made on 03/12/2026 at 08:01 AM"},
        PagingCase{"FiftyFourthStartsPageTwo",
                   {50, 5},
                   2,
                   "    Order for Customer C203 by Salesperson 42.  Number of Items = 3"},
        PagingCase{"TwelvePages", std::vector<int>(12, 53), 12,
                   "Call # 12 - Good - made on 03/12/2026 at 08:12 AM"}),
    RowName());

// --- the dialog ----------------------------------------------------------------------------------------

TEST_F(ListOfCallsReportTest, DialogOpensOnTodayWithGoodCallsAndKeepsItsOpeningTime) {
    ListCallsDialog dialog(fx.ctx);
    fx.clock.advanceMs(3 * 3600 * 1000);
    const ListOfCallsRequest chosen = dialog.request();
    EXPECT_EQ(chosen.from, QDate(2010, 3, 8));
    EXPECT_EQ(chosen.to, QDate(2010, 3, 8));
    EXPECT_TRUE(chosen.goodCalls);
    EXPECT_FALSE(chosen.badCalls);
    EXPECT_EQ(chosen.reportTime, QDateTime(QDate(2010, 3, 8), QTime(9, 0)));
    // A box ticked from the keyboard counts as a click does.
    dialog.findChild<QCheckBox*>(QStringLiteral("chkBadCalls"))->toggle();
    EXPECT_TRUE(dialog.request().badCalls);
}

TEST_F(ListOfCallsReportTest, StoreErrorIsReportedAndClosesTheDialog) {
    addCall(0, 1, true, false, true, QDateTime(QDate(2010, 3, 8), QTime(8, 0)));
    fx.store->database().exec("DROP TABLE Orders");
    ListCallsDialog dialog(fx.ctx);
    dialog.show();
    auto seen = answerNextMessageBox(QMessageBox::Ok);
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cmdPrint")), Qt::LeftButton);
    EXPECT_TRUE(
        seen->text.startsWith(QStringLiteral("Report had an error.  (Error: 1 - no such table: Orders")))
        << seen->text.toStdString();
    EXPECT_TRUE(seen->text.endsWith(QLatin1Char(')')));
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ListOfCallsReportTest, FromAfterToIsRefusedAndTheDialogStays) {
    ListCallsDialog dialog(fx.ctx);
    dialog.show();
    dialog.findChild<QDateEdit*>(QStringLiteral("dtpFrom"))->setDate(QDate(2010, 3, 9));
    auto seen = answerNextMessageBox(QMessageBox::Ok);
    dialog.printReport();
    EXPECT_EQ(seen->text, QStringLiteral("The From date is after the To date."));
    EXPECT_TRUE(dialog.isVisible());
}

} // namespace
} // namespace vrq::test
