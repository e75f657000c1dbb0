#include "ViewerTestSupport.h"

#include "ui/StatusSummary.h"
#include "ui/StatusTray.h"

#include <QAction>
#include <QSignalSpy>

namespace vrq::test {
namespace {

const QDateTime kNow(QDate(2026, 3, 10), QTime(14, 30));
const QString kFolder = QStringLiteral("I:\\QX7Com\\");

RunStatus flowing() {
    RunStatus status;
    status.hostFolder = kFolder;
    status.lastIntake = QDateTime(kNow.date(), QTime(14, 5));
    status.lastExport = QDateTime(kNow.date(), QTime(14, 6));
    return status;
}

RunStatus away(const QDateTime& since) {
    RunStatus status = flowing();
    status.hostAwaySince = since;
    return status;
}

RunStatus notSet() {
    RunStatus status = flowing();
    status.hostFolder.clear();
    return status;
}

RunStatus purgeFailing() {
    RunStatus status = flowing();
    status.purgeError = QStringLiteral("database is locked");
    return status;
}

RunStatus dataBinFailing() {
    RunStatus status = flowing();
    status.dataBinError = QStringLiteral("Permission denied");
    return status;
}

struct SummaryCase {
    const char* name;
    RunStatus status;
    DayCallCounts today;
    RunState state;
    QColor colour;
    const char* line;
    const char* toolTip;
};

class StatusSummaryTest : public ::testing::TestWithParam<SummaryCase> {
protected:
    void SetUp() override { ensureApplication(); }
};

// The status line and the tray tell the same state from the same summary.
TEST_P(StatusSummaryTest, StatusLineAndTrayTellTheState) {
    const SummaryCase& c = GetParam();
    const StatusSummary summary(c.status, c.today, kNow);
    EXPECT_EQ(summary.state(), c.state);
    EXPECT_EQ(summary.stateColour(), c.colour);
    EXPECT_EQ(summary.lineText(), QString::fromUtf8(c.line));
    EXPECT_EQ(summary.trayToolTip(), QString::fromUtf8(c.toolTip));

    StatusTray tray;
    tray.showStatus(summary);
    EXPECT_EQ(tray.icon().toolTip(), QString::fromUtf8(c.toolTip));
    const QImage icon = tray.icon().icon().pixmap(32).toImage();
    EXPECT_EQ(icon.pixelColor(icon.rect().center()), c.colour);
    const QList<QAction*> entries = tray.menu().actions();
    ASSERT_EQ(entries.size(), 4); // show, last export, separator, Exit
    EXPECT_EQ(entries[1]->text(), QStringLiteral("Last export 14:06"));
    EXPECT_FALSE(entries[1]->isEnabled());
}

const QColor kGreen(0, 170, 0);
const QColor kRed(200, 0, 0);
const QColor kAmber(240, 160, 0);

INSTANTIATE_TEST_SUITE_P(
    States, StatusSummaryTest,
    ::testing::Values(SummaryCase{"Flowing",
                                  flowing(),
                                  {12, 0},
                                  RunState::Flowing,
                                  kGreen,
                                  "Today: 12 good, 0 bad. Last intake 14:05. Last export 14:06.\n"
                                  "Host folder I:\\QX7Com\\ reachable.",
                                  "VRQToQX7: orders flowing"},
                      SummaryCase{"AwaySinceToday",
                                  away(QDateTime(kNow.date(), QTime(13, 2))),
                                  {12, 1},
                                  RunState::Away,
                                  kRed,
                                  "Today: 12 good, 1 bad. Last intake 14:05. Last export 14:06.\n"
                                  "Host folder I:\\QX7Com\\ away since 13:02.",
                                  "VRQToQX7: host folder away since 13:02"},
                      SummaryCase{"AwaySinceYesterday",
                                  away(QDateTime(kNow.date().addDays(-1), QTime(23, 50))),
                                  {0, 0},
                                  RunState::Away,
                                  kRed,
                                  "Today: 0 good, 0 bad. Last intake 14:05. Last export 14:06.\n"
                                  "Host folder I:\\QX7Com\\ away since 03/09 23:50.",
                                  "VRQToQX7: host folder away since 03/09 23:50"},
                      SummaryCase{"BadCalls",
                                  flowing(),
                                  {3, 2},
                                  RunState::BadToday,
                                  kAmber,
                                  "Today: 3 good, 2 bad. Last intake 14:05. Last export 14:06.\n"
                                  "Host folder I:\\QX7Com\\ reachable.",
                                  "VRQToQX7: orders flowing; 2 bad calls today"},
                      SummaryCase{"PurgeFailing",
                                  purgeFailing(),
                                  {1, 0},
                                  RunState::Flowing,
                                  kGreen,
                                  "Today: 1 good, 0 bad. Last intake 14:05. Last export 14:06.\n"
                                  "Host folder I:\\QX7Com\\ reachable.\nPurge failing: database is locked",
                                  "VRQToQX7: orders flowing\npurge failing"},
                      SummaryCase{
                          "HostFolderNotSet",
                          notSet(),
                          {3, 0},
                          RunState::Away,
                          kRed,
                          "Today: 3 good, 0 bad. Last intake 14:05. Last export 14:06.\n"
                          "Host folder not set: orders wait until the MXR Folder is set in Properties.",
                          "VRQToQX7: host folder not set"},
                      SummaryCase{"DataBinCannotBeOpened",
                                  dataBinFailing(),
                                  {3, 2},
                                  RunState::CallsWaiting,
                                  kAmber,
                                  "Today: 3 good, 2 bad. Last intake 14:05. Last export 14:06.\n"
                                  "Host folder I:\\QX7Com\\ reachable.\n"
                                  "DataBin.Dat cannot be opened: Permission denied",
                                  "VRQToQX7: calls wait: DataBin.Dat cannot be opened"}),
    RowName());

TEST(StatusSummaryLine, SaysWhenNothingWasTakenOrSentYet) {
    RunStatus status;
    status.hostFolder = kFolder;
    EXPECT_EQ(StatusSummary(status, {}, kNow).lineText(),
              QStringLiteral("Today: 0 good, 0 bad. Last intake: none yet. Last export: none yet.\n"
                             "Host folder I:\\QX7Com\\ reachable."));
}

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
    EXPECT_EQ(titles.join(QLatin1Char('|')), QString::fromUtf8(c.titles));
}

const QDateTime kLost(QDate(2026, 3, 10), QTime(14, 10));

INSTANTIATE_TEST_SUITE_P(
    Changes, StatusNotices,
    ::testing::Values(
        NoticeCase{"NothingChanged", flowing(), {2, 1}, flowing(), {2, 1}, kNow, ""},
        NoticeCase{"HostLost", flowing(), {}, away(kLost), {}, kNow, "Host folder lost"},
        NoticeCase{"StillAway", away(kLost), {}, away(kLost), {}, kNow, ""},
        NoticeCase{"HostBack", away(kLost), {}, flowing(), {}, kNow, "Host folder back"},
        NoticeCase{"DataBinCannotBeOpened", flowing(), {}, dataBinFailing(), {}, kNow, "Calls wait"},
        NoticeCase{"DataBinStillCannot", dataBinFailing(), {}, dataBinFailing(), {}, kNow, ""},
        NoticeCase{"BadCallArrived", flowing(), {2, 0}, flowing(), {3, 1}, kNow, "Bad call"},
        NoticeCase{"LostAndBad", flowing(), {2, 0}, away(kLost), {2, 1}, kNow, "Host folder lost|Bad call"},
        NoticeCase{
            "NextDayCountsFromNothing", flowing(), {0, 5}, flowing(), {0, 1}, kNow.addDays(1), "Bad call"}),
    RowName());

TEST(StatusTrayMenu, ShowsTheCallsWindowAndExits) {
    ensureApplication();
    StatusTray tray;
    QSignalSpy show(&tray, &StatusTray::showCallsRequested);
    QSignalSpy exit(&tray, &StatusTray::exitRequested);
    const QList<QAction*> entries = tray.menu().actions();
    entries.first()->trigger();
    EXPECT_EQ(show.count(), 1);
    EXPECT_EQ(exit.count(), 0);
    entries.last()->trigger();
    EXPECT_EQ(exit.count(), 1);
}

} // namespace
} // namespace vrq::test
