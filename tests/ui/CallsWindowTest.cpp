#include "ViewerTestSupport.h"

#include "ui/StatusSummary.h"
#include "ui/viewers/CallsTableModel.h"
#include "ui/viewers/CallsWindow.h"
#include "ui/viewers/HeaderBar.h"
#include "ui/viewers/HeaderButton.h"
#include "ui/viewers/Twips.h"
#include "ui/viewers/WindowPlacement.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest/qtestspontaneevent.h>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

class CallsWindowTest : public WindowTest {
protected:
    CallsWindow& openWindow(bool show = true) {
        m_window = &keep(std::make_unique<CallsWindow>(fx.ctx), show);
        return *m_window;
    }
    QStringList numbers() const {
        return column(*m_window->callsGrid()->model(), CallsTableModel::NumberColumn);
    }
    HeaderButton* header(int i) const {
        return m_window->headerBar().headers().at(static_cast<std::size_t>(i));
    }

    CallsWindow* m_window = nullptr;
};

TEST_F(CallsWindowTest, IncompleteCallIsListedOnceCompleted) {
    addCall(0, 7);
    addCall(0, 8, true, false, /*complete=*/false);
    CallsWindow& w = openWindow();
    EXPECT_EQ(numbers(), strings({"7"}));
    w.refreshCallDisplay();
    EXPECT_EQ(numbers(), strings({"7"}));

    ASSERT_TRUE(fx.store->calls().setCallComplete(0, 8).ok());
    // The refresh timer picks it up on its own.
    QTRY_COMPARE(numbers(), strings({"7", "8"}));
}

struct FilterCase {
    const char* name;
    bool calls;
    bool files;
    QStringList expected;
    bool fromCode = false; // ticked or cleared by the program (as a screen reader's Toggle does), not a click
};

class CallsWindowFilter : public CallsWindowTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(CallsWindowFilter, CheckBoxesRebuildInTheOrderOfThePressedHeader) {
    const FilterCase c = GetParam();
    addCall(0, 5);
    addCall(1, 3);
    addCall(0, 1);
    addCall(1, 9);
    CallsWindow& w = openWindow();
    QTest::mouseClick(header(1), Qt::LeftButton);
    ASSERT_EQ(numbers(), strings({"1", "3", "5", "9"}));
    const auto toggleCleared = [&] {
        for (QCheckBox* box :
             {c.files ? nullptr : w.displayFilesBox(), c.calls ? nullptr : w.displayCallsBox()})
            if (box && c.fromCode)
                box->setChecked(!box->isChecked());
            else if (box)
                box->click();
    };
    toggleCleared();
    addCall(1, 11); // a scanned file, listed by the refresh only when files are shown
    w.refreshCallDisplay();
    EXPECT_EQ(numbers(), c.expected);

    toggleCleared(); // both ticked again: every call, still in call number order under the pressed header
    EXPECT_EQ(numbers(), strings({"1", "3", "5", "9", "11"}));
    EXPECT_EQ(w.headerBar().pressedHeader(), header(1));
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, CallsWindowFilter,
    ::testing::Values(FilterCase{"CallsOnly", true, false, strings({"1", "5"})},
                      FilterCase{"FilesOnly", false, true, strings({"3", "9", "11"})},
                      FilterCase{"Neither", false, false, QStringList()},
                      FilterCase{"CallsOnlySetFromCode", true, false, strings({"1", "5"}), true},
                      FilterCase{"FilesOnlySetFromCode", false, true, strings({"3", "9", "11"}), true}),
    RowName());

// Calls #4 and #5 and scanned file #5 are listed; a change names a source, or only a number (the first
// row of that number changes).
struct UpdateCase {
    const char* name;
    int source; // -1: the number alone
    int number;
    CallDisplay mode;
    const char* rows; // source, number and status of each row after the change, "|" between rows
    bool extractedAtLoad = false;
};

class CallsWindowUpdate : public CallsWindowTest, public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(CallsWindowUpdate, ChangesOnlyTheRowOfThatCall) {
    const UpdateCase c = GetParam();
    addCall(0, 4, true, c.extractedAtLoad);
    addCall(0, 5, true, c.extractedAtLoad);
    addCall(1, 5, true, c.extractedAtLoad);
    CallsWindow& w = openWindow(false);
    if (c.source < 0)
        w.updateCallDisplay(c.number, c.mode);
    else
        w.updateCallDisplay(c.source, c.number, c.mode);
    QStringList rows;
    for (int row = 0; row < w.callsModel().rowCount(); ++row) {
        QStringList cells;
        for (int cell :
             {CallsTableModel::SourceColumn, CallsTableModel::NumberColumn, CallsTableModel::StatusColumn})
            cells << w.callsModel().index(row, cell).data().toString();
        rows << cells.join(u' ');
    }
    EXPECT_EQ(rows.join(u'|'), QLatin1String(c.rows));
    EXPECT_TRUE(w.refreshTimerActive());
}

const char* const kAllGood = "Call 4 Good Call|Call 5 Good Call|File 5 Good Call";

INSTANTIATE_TEST_SUITE_P(
    Modes, CallsWindowUpdate,
    ::testing::Values(
        UpdateCase{"RemoveByNumber", -1, 5, CallDisplay::Remove, "Call 4 Good Call|File 5 Good Call"},
        UpdateCase{"RemoveAnUnlistedCall", -1, 9, CallDisplay::Remove, kAllGood},
        UpdateCase{"ToBadByNumber", -1, 5, CallDisplay::Bad,
                   "Call 4 Good Call|Call 5 Bad call|File 5 Good Call"},
        UpdateCase{"ToGoodFromExtracted", -1, 4, CallDisplay::Good,
                   "Call 4 Good Call|Call 5 Extracted|File 5 Extracted", true},
        UpdateCase{"FileExtracted", 1, 5, CallDisplay::Extracted,
                   "Call 4 Good Call|Call 5 Good Call|File 5 Extracted"},
        UpdateCase{"FileRemoved", 1, 5, CallDisplay::Remove, "Call 4 Good Call|Call 5 Good Call"},
        UpdateCase{"UnknownSource", 2, 5, CallDisplay::Bad, kAllGood}),
    RowName());

struct SortCase {
    const char* name;
    int header;
};

class CallsWindowSort : public CallsWindowTest, public ::testing::WithParamInterface<SortCase> {};

TEST_P(CallsWindowSort, HeaderSortsOnceAndLaterRowsAreAppended) {
    const SortCase c = GetParam();
    // number, source, date, status chosen so each header gives its own order.
    addCall(1, 10, true, false, true, QDateTime(QDate(2010, 1, 1), QTime(0, 5)));    // File, Good Call
    addCall(0, 9, false, false, true, QDateTime(QDate(2009, 12, 31), QTime(23, 0))); // Call, Bad call
    addCall(0, 100, true, true, true, QDateTime(QDate(2010, 1, 2), QTime(8, 0)));    // Call, Extracted
    CallsWindow& w = openWindow();

    QTest::mouseClick(header(c.header), Qt::LeftButton);
    EXPECT_EQ(numbers(), strings({"9", "10", "100"}));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(header(i)->isPressed(), i == c.header) << i;

    addCall(0, 1, false, false, true, QDateTime(QDate(2000, 1, 1), QTime(0, 0))); // Call, Bad call
    w.refreshCallDisplay();
    EXPECT_EQ(numbers(), strings({"9", "10", "100", "1"}));

    // Clicking the same header again sorts again, the new row included.
    QTest::mouseClick(header(c.header), Qt::LeftButton);
    EXPECT_EQ(numbers(), strings({"1", "9", "10", "100"}));
}

INSTANTIATE_TEST_SUITE_P(Headers, CallsWindowSort,
                         ::testing::Values(SortCase{"Number", 1},    // numeric, not text order
                                           SortCase{"DateTime", 2}), // 12/31/2009 before 01/01/2010
                         RowName());

// A click on a row, or Enter or Space on the grid's current row, opens that call's details; the grid shows
// its current row and Tab goes on to the next control.
TEST_F(CallsWindowTest, ARowOpensItsCallsDetailsOnAClickOrFromTheKeyboard) {
    addCall(0, 31);
    addCall(1, 32);
    CallsWindow& w = openWindow();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTableView* grid = w.callsGrid();
    grid->setFocus(Qt::TabFocusReason);
    QTest::keyClick(grid, Qt::Key_Down);
    QStringList shown; // the selected rows' numbers, then the source and number of the call each step opened
    for (const QModelIndex& index : grid->selectionModel()->selectedRows(CallsTableModel::NumberColumn))
        shown << index.data().toString();
    const auto open = [&](const std::function<void()>& step) {
        auto closer = closeNextModalWindow(u"frmCallDetails"_s, [&](QWidget*) {
            shown << u"%1:%2"_s.arg(w.selectedCall().selectedSource).arg(w.selectedCall().selectedCallNumber);
        });
        step();
    };
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space})
        open([&] { QTest::keyClick(grid, key); });
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), grid);
    EXPECT_EQ(grid->currentIndex().row(), 1) << "Tab does not move in the grid";
    open([&] { clickRow(*grid, 0, CallsTableModel::DateTimeColumn); });
    EXPECT_EQ(shown, strings({"32", "1:32", "1:32", "0:31"}));
    EXPECT_EQ(grid->currentIndex().row(), 0) << "the clicked row is the current one";
}

// The first click of a double-click opens the call's details over the Calls window; the second lands on the
// details' orders grid, which the window system hands a double-click and a release (the press that made
// the double-click is not passed on). It opens no order.
TEST_F(CallsWindowTest, DoubleClickOnARowOpensOnlyTheCallsDetails) {
    addCall(0, 31);
    addOrder(0, 31, u"42"_s, u"130067  "_s);
    CallsWindow& w = openWindow();
    QStringList opened; // the windows the click opened
    const auto see = [&opened](QWidget* window) { opened << window->objectName(); };
    auto orderCloser = closeNextModalWindow(u"frmOrderDetails"_s, see);
    auto detailsCloser = closeNextModalWindow(u"frmCallDetails"_s, [&](QWidget* details) {
        see(details);
        auto* orders = details->findChild<QTableView*>(u"fgOrders"_s);
        const QPoint row = orders->visualRect(orders->model()->index(0, 1)).center();
        QTest::mouseDClick(orders->viewport(), Qt::LeftButton, {}, row);
        QTest::mouseRelease(orders->viewport(), Qt::LeftButton, {}, row);
    });
    clickRow(*w.callsGrid(), 0);
    EXPECT_EQ(opened, QStringList{u"frmCallDetails"_s});
}

// A menu entry that opens a window says so with its dots; the one that only runs does not.
TEST_F(CallsWindowTest, MenuEntriesThatOpenAWindowEndInDots) {
    using Entry = CallsWindow::MenuEntry;
    CallsWindow& w = openWindow(false);
    for (const Entry entry : {Entry::Properties, Entry::OrdersBySalesperson, Entry::OrdersByCustomer,
                              Entry::OrdersByDate, Entry::ListOfCalls, Entry::AuditLog, Entry::About})
        EXPECT_TRUE(w.menuAction(entry)->text().endsWith(u"..."_s))
            << w.menuAction(entry)->text().toStdString();
    EXPECT_FALSE(w.menuAction(Entry::SaveAudits)->text().endsWith(u"..."_s));
}

// The close box asks, and No keeps the program running; Exit and a close by the program do not ask.
TEST_F(CallsWindowTest, OnlyTheCloseBoxAsksAndNoKeepsTheProgramRunning) {
    for (const int way : {0, 1, 2, 3}) { // the close box answered No, then Yes; Exit; closed by the program
        CallsWindow& w = openWindow();
        QSignalSpy unloaded(&w, &CallsWindow::unloaded);
        auto answer = answerNextMessageBox(way == 1 ? QMessageBox::Yes : QMessageBox::No);
        if (way < 2) { // the close box: a close event from the window system
            QCloseEvent event;
            QSpontaneKeyEvent::setSpontaneous(&event);
            static_cast<QObject&>(w).event(&event); // sendEvent would clear the flag
        } else if (way == 2)
            w.exitAction()->trigger();
        else
            w.close();
        EXPECT_EQ(!answer->text.isEmpty(), way < 2) << way;
        EXPECT_EQ(unloaded.count(), way == 0 ? 0 : 1) << way;
        EXPECT_EQ(w.refreshTimerActive(), way == 0) << way;
        EXPECT_TRUE(way < 2 || !w.isVisible()) << way;
    }
}

// --- placement -----------------------------------------------------------------------------------------

struct PlaceCase {
    const char* name;
    QPoint fromBottomRight; // the stored inside's top left, from the screen's bottom right corner
    int statusLines;        // of the status line, set after the window was placed
};

class CallsWindowPlace : public CallsWindowTest, public ::testing::WithParamInterface<PlaceCase> {};

// A window stored partly off the screen comes wholly onto it with its frame, also when its status line
// takes more lines after the window was placed (the window grows as it is shown).
TEST_P(CallsWindowPlace, StaysWhollyOnTheScreenWithItsFrameAndStatusLine) {
    const PlaceCase c = GetParam();
    const QRect screen = WindowPlacement::availableScreens().first();
    const QPoint stored = screen.bottomRight() + c.fromBottomRight;
    fx.ctx.settings.detailsLeft = Twips::clamp16(Twips::fromPixelsX(stored.x()));
    fx.ctx.settings.detailsTop = Twips::clamp16(Twips::fromPixelsY(stored.y()));
    CallsWindow& w = openWindow(false); // placed at the size it has before its status line is set
    QStringList lines;
    for (int line = 1; line <= c.statusLines; ++line)
        lines << u"Status line %1"_s.arg(line);
    w.findChild<QLabel*>(u"lblStatus"_s)->setText(lines.join(u'\n'));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    const QRect outer = w.frameGeometry(); // the window system's frame
    EXPECT_TRUE(screen.contains(outer)) << "window with frame " << outer.x() << ',' << outer.y() << ' '
                                        << outer.width() << 'x' << outer.height();
}

INSTANTIATE_TEST_SUITE_P(Places, CallsWindowPlace,
                         ::testing::Values(PlaceCase{"BelowTheBottomStatusGrows", {-500, -100}, 4},
                                           PlaceCase{"PastTheRightEdge", {-100, -500}, 2},
                                           PlaceCase{"OnScreenStatusGrowsPastTheBottom", {-500, -500}, 6}),
                         RowName());

// The day's line and the times' line keep to one line each in the window's width, at their widest: four-
// digit counts, times of another day, a button on the status line. (The host line and a fault line carry a
// path or a message and wrap where they must.)
TEST_F(CallsWindowTest, StatusLinesOfCountsAndTimesDoNotWrap) {
    CallsWindow& w = openWindow();
    const QDateTime now(QDate(2026, 12, 30), QTime(23, 58));
    const QDateTime yesterday = now.addDays(-1);
    const RunStatus status{.lastIntake = yesterday,
                           .lastExport = yesterday,
                           .hostFolder = u"I:\\QX7Com\\"_s,
                           .hostChecked = true};
    w.showStatus(StatusSummary(status, {9999, 9999}, now));
    // With the button an outage shows beside it.
    auto* button = new QPushButton(u"Show connection problem"_s);
    w.addStatusButton(button);
    button->show();
    w.layout()->activate();
    auto* label = w.findChild<QLabel*>(u"lblStatus"_s);
    const QStringList lines = label->text().split(u'\n');
    ASSERT_GE(lines.size(), 3);
    for (const QString& line : lines.first(2))
        EXPECT_LE(label->fontMetrics().horizontalAdvance(line), label->contentsRect().width())
            << line.toStdString();
}

TEST_F(CallsWindowTest, FailingStoreIsReportedOncePerStreak) {
    // The window's store is a file in its base form: without the upgrade its Calls table has no Source.
    Result error;
    auto baseForm = openStoreFile(fx.path(u"BaseForm.db"_s), StoreAccess::ReadWrite, &error);
    ASSERT_TRUE(baseForm) << error.message.toStdString();
    fx.ctx.store = baseForm.get();
    CallsWindow& w = openWindow(false);
    w.refreshCallDisplay();
    w.refreshCallDisplay();

    auto errors = [this] { return fx.auditMessages(u"E"_s).size(); };
    EXPECT_EQ(errors(), 1);
    EXPECT_EQ(w.callsModel().rowCount(), 0);

    // Once the store answers again, the next failure starts a new streak.
    baseForm->schema().dataConversions();
    ASSERT_TRUE(baseForm->calls().insertCall(CallRow{.callNumber = 3, .complete = true}).ok());
    w.refreshCallDisplay();
    EXPECT_EQ(numbers(), strings({"3"}));
    EXPECT_EQ(errors(), 1);
    closeWindow(); // before the store it reads
}

} // namespace
} // namespace vrq::test
