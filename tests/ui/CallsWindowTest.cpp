#include "ViewerTestSupport.h"

#include "ui/viewers/CallsTableModel.h"
#include "ui/viewers/CallsWindow.h"
#include "ui/viewers/HeaderBar.h"
#include "ui/viewers/HeaderButton.h"
#include "ui/viewers/Twips.h"

#include <QAction>
#include <QCheckBox>
#include <QSignalSpy>
#include <QtTest/qtestspontaneevent.h>

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

QStringList texts(std::initializer_list<int> values) {
    QStringList list;
    for (int v : values)
        list << QString::number(v);
    return list;
}

struct GrowthCase {
    const char* name;
    int atLoad;
    int addedLater;
    int width;
    int topRow;
};

class CallsWindowGrowth : public CallsWindowTest, public ::testing::WithParamInterface<GrowthCase> {};

TEST_P(CallsWindowGrowth, WidensAndScrollsToTheNewestRows) {
    const GrowthCase c = GetParam();
    for (int n = 1; n <= c.atLoad; ++n)
        addCall(0, n);
    CallsWindow& w = openWindow();
    for (int n = c.atLoad + 1; n <= c.atLoad + c.addedLater; ++n)
        addCall(0, n);
    w.refreshCallDisplay();
    QCoreApplication::processEvents();

    EXPECT_EQ(w.callsModel().rowCount(), c.atLoad + c.addedLater);
    EXPECT_EQ(w.rowCount(), c.atLoad + c.addedLater);
    EXPECT_EQ(w.gridWidthTwips(), c.width);
    EXPECT_EQ(w.callsGrid()->rowAt(0), c.topRow);
    // New rows are at the bottom: the last number added is the last row.
    EXPECT_EQ(numbers().last(), QString::number(c.atLoad + c.addedLater));
}

INSTANTIATE_TEST_SUITE_P(RowCounts, CallsWindowGrowth,
                         ::testing::Values(GrowthCase{"NineteenFit", 19, 0, 4800, 0},
                                           GrowthCase{"TwentiethAddedLater", 19, 1, 5045, 1},
                                           GrowthCase{"TwentyAtLoad", 20, 0, 5045, 1},
                                           GrowthCase{"ManyAddedLater", 30, 15, 5045, 26}),
                         RowName());

TEST_F(CallsWindowTest, IncompleteCallIsListedOnceCompleted) {
    addCall(0, 7);
    addCall(0, 8, true, false, /*complete=*/false);
    CallsWindow& w = openWindow();
    EXPECT_EQ(numbers(), texts({7}));
    w.refreshCallDisplay();
    EXPECT_EQ(numbers(), texts({7}));

    ASSERT_TRUE(fx.store->setCallComplete(0, 8).ok());
    // Timer1 picks it up on its own.
    QTRY_COMPARE(numbers(), texts({7, 8}));
}

struct RowLookCase {
    const char* name;
    int source;
    bool good;
    bool extracted;
    const char* sourceText;
    const char* statusText;
    QColor background; // invalid: the window background
    QColor foreground;
};

class CallsWindowRowLook : public CallsWindowTest, public ::testing::WithParamInterface<RowLookCase> {};

TEST_P(CallsWindowRowLook, ShowsSourceDateAndColouredStatus) {
    const RowLookCase c = GetParam();
    addCall(c.source, 42, c.good, c.extracted, true, QDateTime(QDate(2010, 3, 7), QTime(14, 5, 9)));
    openWindow(false);
    const QAbstractItemModel* model = m_window->callsGrid()->model();
    EXPECT_EQ(model->index(0, 1).data().toString(), QLatin1String(c.sourceText));
    EXPECT_EQ(model->index(0, 2).data().toString(), QStringLiteral("42"));
    EXPECT_EQ(model->index(0, 3).data().toString(), QStringLiteral("03/07/2010 02:05 PM"));
    EXPECT_EQ(model->index(0, 5).data().toString(), QStringLiteral("20100307140509"));
    const QModelIndex status = model->index(0, 4);
    EXPECT_EQ(status.data().toString(), QLatin1String(c.statusText));
    const QColor background =
        c.background.isValid() ? c.background : QApplication::palette().color(QPalette::Base);
    EXPECT_EQ(status.data(Qt::BackgroundRole).value<QBrush>().color(), background);
    EXPECT_EQ(status.data(Qt::ForegroundRole).value<QBrush>().color(), c.foreground);
    EXPECT_FALSE(model->index(0, 0).data(Qt::DecorationRole).value<QImage>().isNull());
}

INSTANTIATE_TEST_SUITE_P(States, CallsWindowRowLook,
                         ::testing::Values(RowLookCase{"ExtractedCall", 0, true, true, "Call", "Extracted",
                                                       QColor(0, 255, 0), QColor(0, 0, 0)},
                                           RowLookCase{"GoodFile", 1, true, false, "File", "Good Call",
                                                       QColor(), QColor(0, 0, 0)},
                                           RowLookCase{"BadCall", 0, false, false, "Call", "Bad call",
                                                       QColor(192, 0, 0), QColor(255, 255, 255)},
                                           RowLookCase{"BadFileMarkedExtracted", 1, false, true, "File",
                                                       "Bad call", QColor(192, 0, 0), QColor(255, 255, 255)}),
                         RowName());

struct FilterCase {
    const char* name;
    bool calls;
    bool files;
    QStringList expected;
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
    ASSERT_EQ(numbers(), texts({1, 3, 5, 9}));

    if (!c.files)
        w.displayFilesBox()->click();
    if (!c.calls)
        w.displayCallsBox()->click();
    EXPECT_EQ(numbers(), c.expected);

    // Checking both again lists every call again, still in call number order under the pressed header.
    if (!c.files)
        w.displayFilesBox()->click();
    if (!c.calls)
        w.displayCallsBox()->click();
    EXPECT_EQ(numbers(), texts({1, 3, 5, 9}));
    EXPECT_EQ(w.headerBar().pressedHeader(), header(1));
}

INSTANTIATE_TEST_SUITE_P(Boxes, CallsWindowFilter,
                         ::testing::Values(FilterCase{"CallsOnly", true, false, texts({1, 5})},
                                           FilterCase{"FilesOnly", false, true, texts({3, 9})},
                                           FilterCase{"Neither", false, false, QStringList()}),
                         RowName());

TEST_F(CallsWindowTest, FilteredCallsStayHiddenUntilRebuilt) {
    addCall(0, 1);
    CallsWindow& w = openWindow();
    w.displayFilesBox()->click(); // off
    addCall(1, 2);
    w.refreshCallDisplay();
    EXPECT_EQ(numbers(), texts({1}));
    w.displayFilesBox()->setChecked(true); // no click: no rebuild
    w.refreshCallDisplay();
    EXPECT_EQ(numbers(), texts({1}));
}

struct UpdateCase {
    const char* name;
    std::vector<int> shown;
    int callNumber;
    CallDisplay mode;
    QStringList expectedNumbers;
    QStringList expectedStatus;
    bool extractedAtLoad = false;
};

class CallsWindowUpdate : public CallsWindowTest, public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(CallsWindowUpdate, ChangesOnlyTheFirstRowOfTheCall) {
    const UpdateCase c = GetParam();
    for (int n : c.shown)
        addCall(0, n, true, c.extractedAtLoad);
    CallsWindow& w = openWindow(false);
    w.updateCallDisplay(c.callNumber, c.mode);
    EXPECT_EQ(numbers(), c.expectedNumbers);
    EXPECT_EQ(column(*w.callsGrid()->model(), CallsTableModel::StatusColumn), c.expectedStatus);
    EXPECT_TRUE(w.refreshTimerActive());
}

const QString G = QStringLiteral("Good Call");
const QString B = QStringLiteral("Bad call");
const QString X = QStringLiteral("Extracted");

INSTANTIATE_TEST_SUITE_P(
    Modes, CallsWindowUpdate,
    ::testing::Values(
        UpdateCase{"RemoveTheOnlyRow", {4}, 4, CallDisplay::Remove, {}, {}},
        UpdateCase{"RemoveAMiddleRow", {4, 5, 6}, 5, CallDisplay::Remove, texts({4, 6}), {G, G}},
        UpdateCase{"RemoveAnUnlistedCall", {4, 5}, 9, CallDisplay::Remove, texts({4, 5}), {G, G}},
        UpdateCase{"ToBad", {4, 5}, 5, CallDisplay::Bad, texts({4, 5}), {G, B}},
        UpdateCase{"ToExtracted", {4, 5}, 4, CallDisplay::Extracted, texts({4, 5}), {X, G}},
        UpdateCase{"EmptyGrid", {}, 4, CallDisplay::Bad, {}, {}},
        UpdateCase{"ToGoodFromExtracted", {4}, 4, CallDisplay::Good, texts({4}), {G}, true}),
    RowName());

struct SourceRowCase {
    const char* name;
    int source;
    CallDisplay mode;
    QStringList expectedSources;
    QStringList expectedStatus;
};

class CallsWindowSourceRow : public CallsWindowTest, public ::testing::WithParamInterface<SourceRowCase> {};

// Call #8 from DataBin.Dat and scanned file #8 share a number: only the row of the source named changes.
TEST_P(CallsWindowSourceRow, ChangesTheRowOfThatSourceOnly) {
    const SourceRowCase& c = GetParam();
    addCall(0, 8);
    addCall(1, 8);
    CallsWindow& w = openWindow(false);
    w.updateCallDisplay(c.source, 8, c.mode);
    EXPECT_EQ(column(*w.callsGrid()->model(), CallsTableModel::SourceColumn), c.expectedSources);
    EXPECT_EQ(column(*w.callsGrid()->model(), CallsTableModel::StatusColumn), c.expectedStatus);
}

const QString kCall = QStringLiteral("Call");
const QString kFile = QStringLiteral("File");

INSTANTIATE_TEST_SUITE_P(
    Rows, CallsWindowSourceRow,
    ::testing::Values(SourceRowCase{"FileExtracted", 1, CallDisplay::Extracted, {kCall, kFile}, {G, X}},
                      SourceRowCase{"CallExtracted", 0, CallDisplay::Extracted, {kCall, kFile}, {X, G}},
                      SourceRowCase{"FileRemoved", 1, CallDisplay::Remove, {kCall}, {G}},
                      SourceRowCase{"CallRemoved", 0, CallDisplay::Remove, {kFile}, {G}},
                      SourceRowCase{"UnknownSource", 2, CallDisplay::Bad, {kCall, kFile}, {G, G}}),
    RowName());

struct SortCase {
    const char* name;
    int header;
    QStringList expected;
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
    EXPECT_EQ(numbers(), c.expected);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(header(i)->isPressed(), i == c.header) << i;

    addCall(0, 1, false, false, true, QDateTime(QDate(2000, 1, 1), QTime(0, 0))); // Call, Bad call
    w.refreshCallDisplay();
    EXPECT_EQ(numbers(), QStringList(c.expected) << QStringLiteral("1"));

    // Clicking the same header again sorts again, the new row included.
    QTest::mouseClick(header(c.header), Qt::LeftButton);
    EXPECT_NE(numbers().last(), QStringLiteral("1"));
    EXPECT_EQ(numbers().size(), 4);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, CallsWindowSort,
    ::testing::Values(SortCase{"Source", 0, texts({9, 100, 10})},   // "Call" < "File", stable
                      SortCase{"Number", 1, texts({9, 10, 100})},   // numeric, not text order
                      SortCase{"DateTime", 2, texts({9, 10, 100})}, // 12/31/2009 before 01/01/2010
                      SortCase{"Status", 3, texts({9, 100, 10})}),  // Bad < Extracted < Good
    RowName());

TEST_F(CallsWindowTest, RowClickOpensTheCallsDetailsAndPressesItsButtonMeanwhile) {
    addCall(0, 31);
    addCall(1, 32);
    CallsWindow& w = openWindow();
    const QAbstractItemModel* model = w.callsGrid()->model();
    bool pressedDuring = false;
    SelectedCall during;
    QString caption;
    auto closer = closeNextModalWindow(QStringLiteral("frmCallDetails"), [&](QWidget* details) {
        during = w.selectedCall();
        pressedDuring = w.callsModel().rowAt(1).detailsPressed;
        caption = details->objectName() + QLatin1Char(' ') + details->windowTitle();
    });
    const QRect cell = w.callsGrid()->visualRect(model->index(1, CallsTableModel::DateTimeColumn));
    QTest::mouseClick(w.callsGrid()->viewport(), Qt::LeftButton, {}, cell.center());

    EXPECT_EQ(caption, QStringLiteral("frmCallDetails File: #32 Details"));
    EXPECT_EQ(during.SelectedSource, 1);
    EXPECT_EQ(during.SelectedCallNumber, 32);
    EXPECT_TRUE(pressedDuring);
    EXPECT_FALSE(w.callsModel().rowAt(1).detailsPressed);
    EXPECT_EQ(w.callsGrid()->currentIndex().row(), 1);
}

// The view entries are followed to their windows in WindowModeTest; Save Audits only asks for the export.
TEST_F(CallsWindowTest, SaveAuditsEntryAsksForTheExport) {
    CallsWindow& w = openWindow(false);
    using E = CallsWindow::MenuEntry;
    QSignalSpy views(&w, &CallsWindow::ordersViewRequested);
    QSignalSpy audits(&w, &CallsWindow::saveAuditsRequested);
    w.setMenuEntryEnabled(E::SaveAudits, true);
    w.menuAction(E::SaveAudits)->trigger();
    EXPECT_EQ(audits.count(), 1);
    EXPECT_EQ(views.count(), 0);
}

// The close box reaches the window as a close event from the window system.
bool closeFromCloseBox(CallsWindow& w) {
    QCloseEvent event;
    QSpontaneKeyEvent::setSpontaneous(&event);
    // Delivered straight to the handler: sendEvent would clear the flag.
    static_cast<QObject&>(w).event(&event);
    return event.isAccepted();
}

TEST_F(CallsWindowTest, CloseBoxAsksAndNoKeepsTheProgramRunning) {
    CallsWindow& w = openWindow();
    QSignalSpy unloaded(&w, &CallsWindow::unloaded);
    for (const bool yes : {false, true}) {
        auto answer = answerNextMessageBox(yes ? QMessageBox::Yes : QMessageBox::No);
        EXPECT_EQ(closeFromCloseBox(w), yes);
        EXPECT_TRUE(answer->seen) << yes;
        EXPECT_EQ(unloaded.count(), yes ? 1 : 0);
        EXPECT_EQ(w.refreshTimerActive(), !yes);
    }
}

TEST_F(CallsWindowTest, ExitAndProgramClosesDoNotAsk) {
    for (bool fromMenu : {true, false}) {
        CallsWindow& w = openWindow();
        QSignalSpy unloaded(&w, &CallsWindow::unloaded);
        auto answer = answerNextMessageBox(QMessageBox::No);
        if (fromMenu)
            w.exitAction()->trigger();
        else
            w.close();
        EXPECT_FALSE(answer->seen) << fromMenu;
        EXPECT_EQ(unloaded.count(), 1) << fromMenu;
        EXPECT_FALSE(w.isVisible());
    }
}

struct PositionCase {
    const char* name;
    QPoint movedTo; // pixels
    qint16 left;
    qint16 top;
};

class CallsWindowPosition : public CallsWindowTest, public ::testing::WithParamInterface<PositionCase> {};

TEST_P(CallsWindowPosition, StoresItsPositionInSixteenBitsOnUnload) {
    const PositionCase c = GetParam();
    CallsWindow& w = openWindow(false);
    w.move(c.movedTo);
    w.close();
    EXPECT_EQ(fx.ctx.settings.DetailsLeft, c.left);
    EXPECT_EQ(fx.ctx.settings.DetailsTop, c.top);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, CallsWindowPosition,
    ::testing::Values(PositionCase{"InTwips", {Twips::toPixelsX(1500), Twips::toPixelsY(750)}, 1500, 750},
                      PositionCase{"ClampedToSixteenBits", {5000, -5000}, 32767, -32768}),
    RowName());

// The menus wait for the start-up to enable them; the sort key of the dates is not shown.
TEST_F(CallsWindowTest, OpensWithItsMenusOffAndTheDateKeyHidden) {
    CallsWindow& w = openWindow(false);
    EXPECT_FALSE(w.isMenuEntryEnabled(CallsWindow::MenuEntry::Properties));
    EXPECT_TRUE(w.callsGrid()->isColumnHidden(CallsTableModel::DateKeyColumn));
}

TEST_F(CallsWindowTest, OpensAtTheStoredPosition) {
    fx.ctx.settings.DetailsLeft = 1500;
    fx.ctx.settings.DetailsTop = 750;
    CallsWindow& w = openWindow(false);
    EXPECT_EQ(w.geometry().topLeft(), QPoint(Twips::toPixelsX(1500), Twips::toPixelsY(750)));
}

TEST_F(CallsWindowTest, FailingStoreIsReportedOncePerStreak) {
    // The window's store is a file in its base form: without the upgrade its Calls table has no Source.
    Result error;
    auto baseForm = CallStore::open(fx.path(QStringLiteral("BaseForm.db")), &error);
    ASSERT_TRUE(baseForm) << error.message.toStdString();
    fx.ctx.store = baseForm.get();
    CallsWindow& w = openWindow(false);
    w.refreshCallDisplay();
    w.refreshCallDisplay();

    auto errors = [this] { return fx.auditMessages(QStringLiteral("E")).size(); };
    EXPECT_EQ(errors(), 1);
    EXPECT_EQ(w.callsModel().rowCount(), 0);

    // Once the store answers again, the next failure starts a new streak.
    baseForm->dataConversions();
    CallRow call;
    call.callNumber = 3;
    call.complete = true;
    ASSERT_TRUE(baseForm->insertCall(call).ok());
    w.refreshCallDisplay();
    EXPECT_EQ(numbers(), texts({3}));
    EXPECT_EQ(errors(), 1);
    closeWindow(); // before the store it reads
}

} // namespace
} // namespace vrq::test
