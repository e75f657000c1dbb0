#include "KeptPrinter.h"
#include "ViewerTestSupport.h"

#include "context/NetworkConnection.h"
#include "export/OrderExport.h"
#include "ui/viewers/CallDetailsWindow.h"
#include "ui/viewers/OrdersTableModel.h"

#include <QPushButton>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

class CallDetailsTest : public WindowTest {
protected:
    CallDetailsWindow& open(int source, int number) {
        select(source, number);
        window = &keep(std::make_unique<CallDetailsWindow>(fx.ctx, selected, pictures));
        return *window;
    }
    QPushButton* button(const char* name) const {
        return window->findChild<QPushButton*>(QLatin1String(name));
    }
    QTableView* orders() const { return window->findChild<QTableView*>(u"fgOrders"_s); }

    CallDetailsWindow* window = nullptr;
};

struct SourceCase {
    const char* name;
    int source;
    const char* caption;
    const char* salesperson;
};

class CallDetailsSameNumber : public CallDetailsTest, public ::testing::WithParamInterface<SourceCase> {};

// A call and a scanned file with the same number: each window shows and prints its own orders only.
TEST_P(CallDetailsSameNumber, ShowsAndPrintsOnlyItsOwnSource) {
    const SourceCase c = GetParam();
    addCall(0, 12);
    addOrder(0, 12, u"111"_s, u"9001"_s);
    addCall(1, 12);
    addOrder(1, 12, u"222"_s, u"9002"_s);
    addOrder(1, 12, u"222"_s, u"9003"_s);
    CallDetailsWindow& w = open(c.source, 12);

    EXPECT_EQ(w.windowTitle(), QLatin1String(c.caption));
    EXPECT_EQ(lines(w, "lstCallInfo"),
              strings({"Call #12 made on 03/07/2010 at 02:05 PM", "Good call", "Not extracted."}));
    EXPECT_FALSE(button("btnReExtract")->isEnabled()) << "nothing to send again";
    const QStringList salespeople(c.source + 1,
                                  QLatin1String(c.salesperson)); // the call's one, the file's two
    EXPECT_EQ(column(w, "fgOrders", OrdersTableModel::SalespersonColumn), salespeople);
    EXPECT_EQ(
        w.printout().allText().filter(u"Salesperson: "_s).replaceInStrings(u"Salesperson: "_s, QString()),
        salespeople);
}

INSTANTIATE_TEST_SUITE_P(Rows, CallDetailsSameNumber,
                         ::testing::Values(SourceCase{"Call", 0, "Call: #12 Details", "111"},
                                           SourceCase{"File", 1, "File: #12 Details", "222"}),
                         RowName());

// A call without orders is marked extracted with no order file: its line names none.
TEST_F(CallDetailsTest, ACallExtractedWithoutAFileNamesNone) {
    addCall(0, 12);
    ASSERT_TRUE(
        fx.store->calls().markExtracted(0, 12, QString(), QDateTime(QDate(2010, 3, 8), QTime(9, 30))).ok());
    EXPECT_EQ(lines(open(0, 12), "lstCallInfo").value(2),
              u"Extracted on 03/08/2010 at 09:30 AM with no order file."_s);
}

// A call and a file of the same number, both sent to the host by a real export.
TEST_F(CallDetailsTest, ReExtractNoChangesNothingAndYesSendsTheCallAgainUnderANewNumber) {
    fx.ctx.settings.systemId = 4;
    fx.ctx.settings.lastSeqNum = 0;
    for (int source : {0, 1}) {
        addCall(source, 21);
        addOrder(source, 21, u"123456"_s, u"12345678"_s);
        addItem(source, 21, 1, 1, u"12345"_s, 3);
    }
    const auto exportCalls = [this] {
        NetworkConnection network(fx.ctx);
        OrderExport(fx.ctx, network).extractCalls();
    };
    exportCalls();
    ASSERT_EQ(fx.hostFiles().size(), 2);

    const CallRow before = *fx.call(0, 21);
    CallDetailsWindow& w = open(0, 21);
    button("btnReExtract")->setFocus();
    for (const bool yes : {false, true}) {
        auto box = answerNextMessageBox(yes ? QMessageBox::Yes : QMessageBox::No);
        button("btnReExtract")->click();
        EXPECT_EQ(box->text, u"Send this call to QX7 again?"_s);
        EXPECT_EQ(fx.call(0, 21)->extractedCall, !yes);
        EXPECT_EQ(button("btnReExtract")->isEnabled(), !yes);
    }
    EXPECT_EQ(fx.call(0, 21)->extractedFileName, before.extractedFileName);
    EXPECT_EQ(fx.call(0, 21)->extractedDnt, before.extractedDnt);
    EXPECT_TRUE(fx.call(1, 21)->extractedCall) << "the file of the same number stays extracted";
    EXPECT_EQ(fx.ui.displayed.back(), (RecordingUserInterface::Display{0, 21, CallDisplay::Good}))
        << "the call's own row, not the file's";
    EXPECT_EQ(lines(w, "lstCallInfo").value(2), u"Not extracted."_s);
    EXPECT_EQ(w.focusWidget(), button("btnOK")) << "the focus left the disabled button for OK";
    EXPECT_TRUE(fx.auditMessages(u"I"_s).contains(u"Call #21 marked to be sent to QX7 again (Re-Extract)"_s));

    const QStringList sent = fx.hostFiles();
    exportCalls();
    const QString again = fx.call(0, 21)->extractedFileName;
    EXPECT_EQ(fx.hostFiles(), QStringList(sent) << again);
    EXPECT_EQ(fx.hostFileBytes(again), fx.hostFileBytes(before.extractedFileName));
}

// A row click opens the order of the call's own source; a row no order filled reports the order missing and
// opens no window, though the call of the other source has that order.
TEST_F(CallDetailsTest, RowClickOpensItsOrderAndAnEmptyRowReportsIt) {
    addCall(1, 8, true, false, true, {}, 2); // a scanned file: two orders counted, one stored
    fx.addOrder(1, 8, 1, u"66"_s);
    addCall(0, 8, true, false, true, {}, 2);
    fx.addOrder(0, 8, 2, u"77"_s);
    CallDetailsWindow& w = open(1, 8);
    QString opened;
    auto closer =
        closeNextModalWindow(u"frmOrderDetails"_s, [&](QWidget* modal) { opened = modal->objectName(); });
    auto box = answerNextMessageBox(QMessageBox::Ok);
    clickRow(*orders(), 0);
    EXPECT_EQ(opened, u"frmOrderDetails"_s);
    EXPECT_EQ(selected.selectedOrderSeqNumber, 1);

    clickRow(*orders(), 1);
    EXPECT_EQ(box->text, u"Unable to find this order."_s);
    EXPECT_EQ(selected.selectedOrderSeqNumber, 0);
    EXPECT_TRUE(w.isVisible());
}

// The printed call on the real default printer, read back from the kept job.
TEST_F(CallDetailsTest, PrintedCallReadsBackFromTheDefaultPrinter) {
    const int number = 70000 + static_cast<int>(QCoreApplication::applicationPid() % 10000);
    addCall(0, number);
    addOrder(0, number, u"123456"_s, u"12 34  "_s, u"Rush it"_s, 2);
    addItem(0, number, 1, 1, u"A12-7  "_s, -5, 1234);
    addItem(0, number, 1, 2, u"1234567890123"_s, 12, 0);
    open(0, number);
    const QString title = u"Call #%1 Details"_s.arg(number);
    const QStringList expected{
        title,
        u"Good Call #%1 made on 03/07/2010 at 02:05 PM"_s.arg(number),
        u"Salesperson: 123456"_s,
        u"Customer: 12_34"_s,
        u"Route: R7"_s,
        u"Message: Rush it"_s,
        u"Number of Items: 2"_s,
        u"          Item Number     Qty   Unit   Disc %   Price Override"_s,
        u"          -------------   ---   ----   ------   --------------"_s,
        u"          _12_7            _5      2        5       1234.00"_s,
        u"          1234567890123    12      2        5          0.00"_s, // the whole item number
    };
    // pdftotext sets the columns a blank or two apart from one layout to the next: blanks are compared as
    // one.
    const auto simplified = [](QStringList lines) {
        for (QString& line : lines)
            line = line.simplified();
        return lines;
    };
    const auto pages = KeptPrinter::printedPages([this] { button("btnPrintCall")->click(); }, title);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(simplified(pages[0]), simplified(expected));
}

} // namespace
} // namespace vrq::test
