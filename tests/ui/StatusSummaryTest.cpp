#include "ViewerTestSupport.h"

#include "ui/StatusSummary.h"
#include "ui/StatusTray.h"

#include <QAction>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

const QDateTime kNow(QDate(2026, 3, 10), QTime(14, 30));
const QString kFolder = u"I:\\QX7Com\\"_s;

// Orders flowing (an intake at 14:05, an export at 14:06) unless the host folder is away since a time, the
// purge fails, DataBin.Dat cannot be opened or the host folder is not set.
RunStatus flowing(const QDateTime& awaySince = {}, const char* purgeError = "", const char* dataBinError = "",
                  const QString& hostFolder = kFolder) {
    return {.lastIntake = QDateTime(kNow.date(), QTime(14, 5)),
            .lastExport = QDateTime(kNow.date(), QTime(14, 6)),
            .hostFolder = hostFolder,
            .hostAwaySince = awaySince,
            .hostChecked = true,
            .purgeError = QString::fromUtf8(purgeError),
            .dataBinError = QString::fromUtf8(dataBinError)};
}

// The flowing status with one field changed.
template <typename Change> RunStatus flowingBut(Change change, const QDateTime& awaySince = {}) {
    RunStatus status = flowing(awaySince);
    change(status);
    return status;
}
// A store that keeps no writes, even with the host folder away: nothing is taken in or sent at all.
const auto storeRefused = [](RunStatus& s) { s.storeError = u"CallsAndOrders.db cannot be written"_s; };

// The status line after the day's counts and times, and the tray tip after "VRQToQX7: ".
struct SummaryCase {
    const char* name;
    RunStatus status;
    int good; // today
    int bad;
    RunState state;
    const char* lineEnd;
    const char* toolTip;
};

class StatusSummaryTest : public ::testing::TestWithParam<SummaryCase> {};

// The status line and the tray tell the same state from the same summary; the tray offers the connection
// problem while the host folder is away.
TEST_P(StatusSummaryTest, StatusLineAndTrayTellTheState) {
    ensureApplication();
    const SummaryCase& c = GetParam();
    const StatusSummary summary(c.status, {c.good, c.bad}, kNow);
    const QString day =
        u"Today: %1 good, %2 bad.\nLast intake 14:05. Last export 14:06."_s.arg(c.good).arg(c.bad);
    const QString folder = c.status.hostFolder.isEmpty() ? QString() : c.status.hostFolder + u' ';
    EXPECT_EQ(summary.state(), c.state);
    EXPECT_EQ(summary.lineText(), day + u"\nHost folder "_s + folder + QString::fromUtf8(c.lineEnd));
    StatusTray tray;
    tray.showStatus(summary);
    EXPECT_EQ(tray.icon().toolTip(), u"VRQToQX7: "_s + QString::fromUtf8(c.toolTip));
    bool problemOffered = false;
    for (const QAction* action : tray.menu().actions())
        problemOffered |= action->text() == u"Show connection problem"_s && action->isVisible();
    EXPECT_EQ(problemOffered, c.status.hostAway());
}

INSTANTIATE_TEST_SUITE_P(
    States, StatusSummaryTest,
    ::testing::Values(
        SummaryCase{"Flowing", flowing(), 12, 0, RunState::Flowing, "reachable.", "orders flowing"},
        SummaryCase{"AwaySinceToday", flowing(QDateTime(kNow.date(), QTime(13, 2))), 12, 1, RunState::Away,
                    "away since 13:02.", "host folder away since 13:02"},
        SummaryCase{"AwaySinceYesterday", flowing(QDateTime(kNow.date().addDays(-1), QTime(23, 50))), 0, 0,
                    RunState::Away, "away since 03/09 23:50.", "host folder away since 03/09 23:50"},
        SummaryCase{"BadCalls", flowing(), 3, 2, RunState::BadToday, "reachable.",
                    "orders flowing; 2 bad calls today"},
        SummaryCase{"PurgeFailing", flowing({}, "database is locked"), 1, 0, RunState::Flowing,
                    "reachable.\nPurge failing: database is locked", "orders flowing\npurge failing"},
        SummaryCase{"DataBinCannotBeOpened", flowing({}, "", "Permission denied"), 3, 2,
                    RunState::CallsWaiting, "reachable.\nDataBin.Dat cannot be opened: Permission denied",
                    "calls wait: DataBin.Dat cannot be opened"},
        SummaryCase{"StoreKeepsNoWrites", flowingBut(storeRefused, QDateTime(kNow.date(), QTime(13, 2))), 3,
                    0, RunState::StoreRefused,
                    "away since 13:02.\nNo call is taken in or sent: CallsAndOrders.db cannot be written",
                    "no call is taken in or sent: the call store keeps no writes"},
        // A blank MXR Folder: orders wait as they do for a folder away, and the line says what to set.
        SummaryCase{"HostFolderNotSet", flowing({}, "", "", QString()), 3, 0, RunState::Away,
                    "not set: orders wait until the MXR Folder is set in Properties.", "host folder not set"},
        // Before the first test of the host folder (a first run waits in Properties): nothing says it is
        // there.
        SummaryCase{"NotCheckedYet", flowingBut([](RunStatus& s) { s.hostChecked = false; }), 3, 2,
                    RunState::NotChecked, "not checked yet.", "host folder not checked yet"}),
    RowName());

struct NoticeCase {
    const char* name;
    RunStatus before;
    DayCallCounts countsBefore;
    RunStatus after;
    DayCallCounts countsAfter;
    QDateTime afterNow;
    const char* titles; // joined by "|"
};

class StatusNotices : public ::testing::TestWithParam<NoticeCase> {};

TEST_P(StatusNotices, TellWhatChanged) {
    const NoticeCase& c = GetParam();
    QStringList titles;
    for (const StatusNotice& notice : noticesBetween(StatusSummary(c.before, c.countsBefore, kNow),
                                                     StatusSummary(c.after, c.countsAfter, c.afterNow)))
        titles << notice.title;
    EXPECT_EQ(titles.join(u'|'), QString::fromUtf8(c.titles));
}

const QDateTime kLost(QDate(2026, 3, 10), QTime(14, 10));

INSTANTIATE_TEST_SUITE_P(
    Changes, StatusNotices,
    ::testing::Values(
        NoticeCase{"NothingChanged", flowing(), {2, 1}, flowing(), {2, 1}, kNow, ""},
        NoticeCase{"HostLost", flowing(), {}, flowing(kLost), {}, kNow, "Host folder lost"},
        NoticeCase{"StillAway", flowing(kLost), {}, flowing(kLost), {}, kNow, ""},
        NoticeCase{"HostBack", flowing(kLost), {}, flowing(), {}, kNow, "Host folder back"},
        NoticeCase{"DataBinCannotBeOpened", flowing(), DayCallCounts(), flowing({}, "", "Permission denied"),
                   DayCallCounts(), kNow, "Calls wait"},
        NoticeCase{"StoreKeepsNoWrites", flowing(), {}, flowingBut(storeRefused), {}, kNow, "Calls stopped"},
        NoticeCase{"BadCallArrived", flowing(), {2, 0}, flowing(), {3, 1}, kNow, "Bad call"},
        NoticeCase{
            "NextDayCountsFromNothing", flowing(), {0, 5}, flowing(), {0, 1}, kNow.addDays(1), "Bad call"}),
    RowName());

} // namespace
} // namespace vrq::test
