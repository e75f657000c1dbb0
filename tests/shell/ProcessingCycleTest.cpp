#include "shell/ProcessingCycle.h"
#include "context/AppContext.h"
#include "platform/Clock.h"
#include "support/TestDoubles.h"

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

TEST(ProcessingCycleTest, AFailingPurgeIsDueAgainOnTheNextTick) {
    CycleHarness h(kMorning);
    h.ctx.settings.LastDatePurged = kMorning.addDays(-1);
    h.purgeSucceeds = false;
    EXPECT_EQ(h.tickAfterMs(1000), QStringLiteral("XP"));
    EXPECT_FALSE(h.cycle->busy());
    EXPECT_EQ(h.tickAfterMs(1000), QStringLiteral("P"));
    h.purgeSucceeds = true;
    EXPECT_EQ(h.tickAfterMs(1000), QStringLiteral("P"));
    EXPECT_EQ(h.tickAfterMs(1000), QString());
}

} // namespace
