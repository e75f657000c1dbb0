#include "shell/ProcessingCycle.h"
#include "support/ProgramFixture.h"

#include <gtest/gtest.h>

using namespace vrq;

namespace {

// Drives the cycle with a hand-set clock and records which jobs ran on each tick.
class CycleHarness {
public:
    explicit CycleHarness(QDateTime start) : clock(std::move(start)) {
        ctx.clock = &clock;
        ctx.settings.LastDatePurged = clock.now();
        CycleJobs jobs;
        jobs.dataBinIntake = [this] { ran += QLatin1Char('D'); };
        jobs.scanFolder = [this] {
            ran += QLatin1Char('S');
            return scanResult;
        };
        jobs.exportCalls = [this] { ran += QLatin1Char('X'); };
        jobs.purge = [this] {
            ran += QLatin1Char('P');
            if (purgeSucceeds)
                ctx.settings.LastDatePurged = clock.now();
            return purgeSucceeds ? Result::success() : Result::failure(QStringLiteral("disk"));
        };
        cycle = std::make_unique<ProcessingCycle>(ctx, std::move(jobs));
        cycle->markStarted();
    }

    QString tickAfterMs(qint64 ms) {
        clock.advanceMs(ms);
        ran.clear();
        cycle->tick();
        return ran;
    }

    ManualClock clock;
    AppContext ctx;
    std::unique_ptr<ProcessingCycle> cycle;
    QString ran;
    Result scanResult = Result::success();
    bool purgeSucceeds = true;
};

const QDateTime kMorning(QDate(2026, 12, 5), QTime(9, 0, 0));

TEST(ProcessingCycleTest, FirstTickExportsOnceEvenWithBothIntakesOff) {
    CycleHarness h(kMorning);
    h.ctx.settings.EnableCalls = false;
    h.ctx.settings.EnableFiles = false;
    EXPECT_EQ(h.tickAfterMs(1000), QStringLiteral("X"));
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(h.tickAfterMs(1000), QString());
}

struct DelayCase {
    qint64 afterMs;
    const char* expected;
};

TEST(ProcessingCycleTest, IntakeIsDueStrictlyAfterTheDelay) {
    const DelayCase cases[] = {{10000, "X"}, {10050, "DX"}, {11000, "DX"}};
    for (const DelayCase& c : cases) {
        CycleHarness h(kMorning);
        h.ctx.settings.ProcessDelay = 10;
        EXPECT_EQ(h.tickAfterMs(c.afterMs), QString::fromLatin1(c.expected)) << c.afterMs;
    }
}

TEST(ProcessingCycleTest, ExportRunsOnlyOnTicksWithAnIntake) {
    CycleHarness h(kMorning);
    EXPECT_EQ(h.tickAfterMs(1000), QStringLiteral("X"));
    EXPECT_EQ(h.tickAfterMs(5000), QString());
    EXPECT_EQ(h.tickAfterMs(5000), QStringLiteral("DX"));
    EXPECT_EQ(h.tickAfterMs(1000), QString()) << "the delay counts from the end of the last intake";
}

TEST(ProcessingCycleTest, ScanIntervalIsMinutesTimesSixty) {
    CycleHarness h(kMorning);
    h.ctx.settings.EnableCalls = false;
    h.ctx.settings.EnableFiles = true;
    h.ctx.settings.FileScanMinutes = 1;
    EXPECT_EQ(h.tickAfterMs(60000), QStringLiteral("X"));
    EXPECT_EQ(h.tickAfterMs(50), QStringLiteral("SX"))
        << "times are single precision: 4 ms steps at this hour";
    EXPECT_EQ(ProcessingCycle::scanIntervalSeconds(30), 1800);
    EXPECT_EQ(ProcessingCycle::scanIntervalSeconds(600), 32767) << "held at the 16-bit limit";
}

TEST(ProcessingCycleTest, MidnightRunsEveryEnabledJobAndThePurge) {
    CycleHarness h(QDateTime(QDate(2026, 12, 5), QTime(23, 59, 59)));
    h.ctx.settings.EnableFiles = true;
    EXPECT_EQ(h.tickAfterMs(500), QStringLiteral("X"));
    EXPECT_EQ(h.tickAfterMs(1000), QStringLiteral("DSXP"));
    EXPECT_EQ(h.tickAfterMs(1000), QString()) << "a second tick the same day does not purge";
}

TEST(ProcessingCycleTest, AClockSetBackRunsTheIntakeAtOnce) {
    CycleHarness h(kMorning);
    h.tickAfterMs(1000);
    EXPECT_EQ(h.tickAfterMs(-3600 * 1000), QStringLiteral("DX"));
}

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
                return Result::failure(QStringLiteral("database is locked"));
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

TEST_F(PurgeBackOffTest, AFailingPurgeIsLoggedOnceAndRetriedAfterADoublingWait) {
    EXPECT_EQ(purgeTimes(1, 20), (std::vector<int>{0, 1, 3, 7, 15}));
    EXPECT_EQ(f.auditMessages(QStringLiteral("E")),
              QStringList{QStringLiteral("PurgeCalls error: database is locked")});
    EXPECT_EQ(f.ctx.status.purgeError, QStringLiteral("database is locked"));

    purgeSucceeds = true;
    EXPECT_EQ(purgeTimes(1, 20), (std::vector<int>{11})) << "due again 16 s after the last failure";
    EXPECT_EQ(f.auditMessages(QStringLiteral("I")),
              QStringList{QStringLiteral("PurgeCalls: the purge succeeded again.")});
    EXPECT_TRUE(f.ctx.status.purgeError.isEmpty());
    EXPECT_EQ(f.ctx.status.failedSteps, 5);
}

TEST_F(PurgeBackOffTest, TheWaitStopsGrowingAtTenMinutes) {
    const std::vector<int> times = purgeTimes(60, 4 * 3600);
    ASSERT_GE(times.size(), 4u);
    for (size_t i = times.size() - 3; i < times.size(); ++i)
        EXPECT_EQ(times[i] - times[i - 1], 600);
    EXPECT_EQ(f.auditMessages(QStringLiteral("E")).size(), 1);
}

TEST_F(PurgeBackOffTest, ANewFailureAfterASuccessIsLoggedAgain) {
    purgeTimes(1, 2);
    purgeSucceeds = true;
    purgeTimes(1, 2);
    purgeSucceeds = false;
    f.clock.set(f.clock.now().addDays(1)); // the next day's purge
    purgeTimes(1, 2);
    EXPECT_EQ(f.auditMessages(QStringLiteral("E")).size(), 2);
}

} // namespace
