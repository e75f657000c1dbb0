#include "shell/ProcessingCycle.h"
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
    ctx.settings.LastDatePurged = clock.now();
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
        ctx.settings.LastDatePurged = clock.now();
        return Result::success();
    };
    ProcessingCycle cycle(ctx, std::move(jobs));
    cycle.markStarted();
    // Set after the start: the cycle reads the settings on every tick, so changes from the Properties
    // dialog take effect without a restart.
    ctx.settings.EnableCalls = c.calls;
    ctx.settings.EnableFiles = c.files;
    ctx.settings.FileScanMinutes = c.scanMinutes;
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

// The purge alone, failing until told otherwise, in an installation whose log the test reads.
class PurgeBackOffTest : public ::testing::Test {
protected:
    PurgeBackOffTest() {
        f.ctx.settings.EnableCalls = false;
        f.ctx.settings.EnableFiles = false;
        f.ctx.settings.LastDatePurged = f.clock.now().addDays(-1);
        CycleJobs jobs;
        jobs.purge = [this] {
            ++purgeRuns;
            if (!purgeSucceeds)
                return Result::failure(u"database is locked"_s);
            f.ctx.settings.LastDatePurged = f.clock.now();
            return Result::success();
        };
        cycle = std::make_unique<ProcessingCycle>(f.ctx, std::move(jobs));
    }
    // Ticks every stepSeconds for totalSeconds; the seconds from the first tick at which the purge ran.
    std::vector<int> purgeTimes(int stepSeconds, int totalSeconds) {
        std::vector<int> times;
        for (int t = 0; t < totalSeconds; t += stepSeconds) {
            const int before = purgeRuns;
            cycle->tick();
            if (purgeRuns > before)
                times.push_back(t);
            f.clock.advanceMs(qint64(stepSeconds) * 1000);
        }
        return times;
    }

    test::ProgramFixture f;
    std::unique_ptr<ProcessingCycle> cycle;
    int purgeRuns = 0;
    bool purgeSucceeds = false;
};

TEST_F(PurgeBackOffTest, AFailingPurgeIsLoggedOncePerStreakAndRetriedAfterADoublingWaitOfAtMostTenMinutes) {
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
