#include "shell/ProcessingCycle.h"
#include "context/NetworkConnection.h"
#include "export/OrderExport.h"
#include "support/ProgramFixture.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;

namespace {

// Ticks after the start, each as the milliseconds since the tick before and the jobs it ran (D intake,
// S scan, X export, P purge); the intake delay is the default 10 s.
struct CycleCase {
    const char* name;
    std::vector<std::pair<qint64, const char*>> ticks;
    bool calls = true;
    bool files = false;
    QTime start = QTime(9, 0);
    qint16 scanMinutes = 30;
};

class ProcessingCycleTest : public ::testing::TestWithParam<CycleCase> {};

TEST_P(ProcessingCycleTest, RunsTheJobsThatAreDue) {
    const CycleCase& c = GetParam();
    ManualClock clock(QDateTime(QDate(2026, 12, 5), c.start));
    AppContext ctx;
    ctx.clock = &clock;
    ctx.settings.lastDatePurged = clock.now();
    QString ran;
    CycleJobs jobs;
    jobs.dataBinIntake = [&] { ran += u'D'; };
    jobs.scanFolder = [&] {
        ran += u'S';
        return Result::success();
    };
    jobs.exportCalls = [&] { ran += u'X'; };
    jobs.purge = [&] {
        ran += u'P';
        ctx.settings.lastDatePurged = clock.now();
        return Result::success();
    };
    ProcessingCycle cycle(ctx, std::move(jobs));
    cycle.markStarted();
    // Set after the start: the cycle reads the settings on every tick, so changes from the Properties
    // dialog take effect without a restart.
    ctx.settings.enableCalls = c.calls;
    ctx.settings.enableFiles = c.files;
    ctx.settings.fileScanMinutes = c.scanMinutes;
    QStringList ranPerTick;
    QStringList expected;
    for (const auto& [ms, due] : c.ticks) {
        clock.advanceMs(ms);
        ran.clear();
        cycle.tick();
        ranPerTick << ran;
        expected << QString::fromLatin1(due);
    }
    EXPECT_EQ(ranPerTick, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Ticks, ProcessingCycleTest,
    ::testing::Values(
        CycleCase{"firstTickExportsEvenWithBothIntakesOff", {{1000, "X"}, {1000, ""}, {30000, ""}}, false},
        CycleCase{"intakeDueStrictlyAfterTheDelay", {{10000, "X"}, {50, "DX"}}},
        // The delay counts from the end of the last intake.
        CycleCase{"exportOnlyOnTicksWithAnIntake", {{1000, "X"}, {5000, ""}, {5000, "DX"}, {1000, ""}}},
        // Times are single precision: 4 ms steps at this hour.
        CycleCase{"scanEveryMinutesTimesSixty", {{60000, "X"}, {50, "SX"}}, false, true, QTime(9, 0), 1},
        CycleCase{"midnightRunsEveryJobAndThePurgeOnce",
                  {{500, "X"}, {1000, "DSXP"}, {1000, ""}},
                  true,
                  true,
                  QTime(23, 59, 59)},
        CycleCase{"clockSetBackRunsTheIntakeAtOnce", {{1000, "X"}, {-3600 * 1000, "DX"}}}),
    test::RowName());

// An outage in window mode: the wait for the host folder returns at once (maxRetries 0). The intake goes
// on, the export is held and each tick retries the folder; the tick that finds it back logs the outage's
// end and sends the kept call once.
struct HostWaitCase {
    const char* name;
    bool newMappingBringsItBack; // else the folder comes back by itself
};

class HostWaitTest : public ::testing::TestWithParam<HostWaitCase> {};

TEST_P(HostWaitTest, IntakeGoesOnTheExportWaitsAndSendsOnceTheFolderIsBack) {
    const HostWaitCase& c = GetParam();
    test::ProgramFixture f;
    f.ctx.settings.lastDatePurged = f.clock.now();
    f.ui.maxRetries = 0;
    f.drives.connectResult = 67;
    f.addPendingCall(0, 17);
    f.loseHostFolder();
    NetworkConnection network(f.ctx);
    OrderExport exporter(f.ctx, network);
    QString ran;
    CycleJobs jobs;
    jobs.dataBinIntake = [&] { ran += u'D'; };
    jobs.exportCalls = [&] {
        ran += u'X';
        exporter.extractCalls();
    };
    ProcessingCycle cycle(f.ctx, std::move(jobs));
    cycle.markStarted();
    const auto tick = [&](qint64 ms) {
        f.clock.advanceMs(ms);
        ran.clear();
        f.drives.calls.clear();
        cycle.tick();
        QString drives;
        for (const QString& call : f.drives.calls)
            drives += call.at(0);
        return ran + u'|' + drives; // the jobs run, then the drive calls: d disconnect, c connect
    };
    EXPECT_EQ(tick(1000).section(u'|', 0, 0), u"X"_s) << "the first export meets the outage";
    EXPECT_TRUE(f.ctx.status.waitingForHost);
    EXPECT_EQ(tick(10000), u"D|dc"_s) << "the intake goes on; the export waits; the drive is mapped again";
    EXPECT_EQ(tick(1000), u"|dc"_s);
    if (c.newMappingBringsItBack) {
        f.drives.connectResult = 0;
        f.drives.onConnected = [&f] { f.restoreHostFolder(); };
    } else {
        f.restoreHostFolder();
    }
    EXPECT_EQ(tick(1000).section(u'|', 0, 0), u"X"_s) << "sent without anyone asking";
    EXPECT_EQ(tick(1000), u"|"_s);
    EXPECT_FALSE(f.ctx.status.waitingForHost);
    EXPECT_FALSE(f.ctx.status.hostAway());
    EXPECT_TRUE(f.call(0, 17)->extractedCall);
    EXPECT_EQ(f.hostFiles().size(), 1) << "sent once";
    EXPECT_EQ(f.auditMessages(u"E"_s).count(u"Network connection established."_s), 1);
}

INSTANTIATE_TEST_SUITE_P(Outages, HostWaitTest,
                         ::testing::Values(HostWaitCase{"FolderBackByItself", false},
                                           HostWaitCase{"NewMappingBringsItBack", true}),
                         test::RowName());

// The purge alone, failing until told otherwise, in an installation whose log the test reads.
TEST(PurgeBackOffTest, AFailingPurgeIsLoggedOncePerStreakAndRetriedAfterADoublingWaitOfAtMostTenMinutes) {
    test::ProgramFixture f;
    f.ctx.settings.enableCalls = false;
    f.ctx.settings.enableFiles = false;
    f.ctx.settings.lastDatePurged = f.clock.now().addDays(-1);
    bool purgeSucceeds = false;
    int purgeRuns = 0;
    CycleJobs jobs;
    jobs.purge = [&] {
        ++purgeRuns;
        if (!purgeSucceeds)
            return Result::failure(u"database is locked"_s);
        f.ctx.settings.lastDatePurged = f.clock.now();
        return Result::success();
    };
    ProcessingCycle cycle(f.ctx, std::move(jobs));
    // Ticks every stepSeconds for totalSeconds; the seconds from the first tick at which the purge ran.
    const auto purgeTimes = [&](int stepSeconds, int totalSeconds) {
        std::vector<int> times;
        for (int t = 0; t < totalSeconds; t += stepSeconds, f.clock.advanceMs(qint64(stepSeconds) * 1000)) {
            const int before = purgeRuns;
            cycle.tick();
            if (purgeRuns > before)
                times.push_back(t);
        }
        return times;
    };
    EXPECT_EQ(purgeTimes(1, 20), (std::vector<int>{0, 1, 3, 7, 15}));
    EXPECT_EQ(f.auditMessages(u"E"_s), QStringList{u"PurgeCalls error: database is locked"_s});
    EXPECT_EQ(f.ctx.status.purgeError, u"database is locked"_s);

    purgeSucceeds = true;
    EXPECT_EQ(purgeTimes(1, 20), (std::vector<int>{11})) << "due again 16 s after the last failure";
    EXPECT_EQ(f.auditMessages(u"I"_s), QStringList{u"PurgeCalls: the purge succeeded again."_s});
    EXPECT_TRUE(f.ctx.status.purgeError.isEmpty());
    EXPECT_EQ(f.ctx.status.failedSteps, 5);

    purgeSucceeds = false;
    f.clock.set(f.clock.now().addDays(1)); // the next day's purge fails anew: logged again
    const std::vector<int> times = purgeTimes(60, 4 * 3600);
    ASSERT_GE(times.size(), 4u);
    for (size_t i = times.size() - 3; i < times.size(); ++i)
        EXPECT_EQ(times[i] - times[i - 1], 600) << "the wait stops growing at ten minutes";
    EXPECT_EQ(f.auditMessages(u"E"_s).size(), 2);
}

} // namespace
