#include "settings/PropertiesEntries.h"
#include "shell/AcceptProperties.h"
#include "shell/ProcessingCycle.h"
#include "support/ProgramFixture.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;

namespace {

// The boxes a row types, over the entries of the default settings; what an accepted row stores, when given.
struct CheckCase {
    const char* name;
    const char* days;
    const char* systemId;
    const char* minutes;
    const char* refusal; // empty when OK accepts
    int storedDays = -1;
    int storedSystemId = -1;
};

class PropertiesOkChecks : public ::testing::TestWithParam<CheckCase> {};

TEST_P(PropertiesOkChecks, RefuseTheFirstEntryThatDoesNotFit) {
    const CheckCase& c = GetParam();
    PropertiesEntries entries = propertiesFromSettings(Settings());
    entries.daysOfHistory = QString::fromUtf8(c.days);
    entries.systemId = QString::fromUtf8(c.systemId);
    entries.fileScanMinutes = QString::fromUtf8(c.minutes);
    EXPECT_EQ(firstRefusal(entries), QString::fromUtf8(c.refusal));
    Settings stored;
    storeProperties(entries, stored);
    if (c.storedDays >= 0) {
        EXPECT_EQ(stored.daysOfHistory, c.storedDays); // fractions rounded to the even neighbour
        EXPECT_EQ(stored.systemId, c.storedSystemId);
    }
}

const char* const kMaxDays = "Maximum of 60 days of history.";
const char* const kMinDays = "Minimum of 2 days of history.";
const char* const kSystemId = "System ID must be 1 digit between 0 and 9.";
const char* const kMinutes = "Minutes between scans for new files must be between 1 and 60.";

INSTANTIATE_TEST_SUITE_P(
    Rows, PropertiesOkChecks,
    ::testing::Values(
        CheckCase{"days60", "60", "0", "30", ""}, CheckCase{"days2", "2", "0", "30", ""},
        CheckCase{"days61", "61", "0", "30", kMaxDays}, CheckCase{"days1", "1", "0", "30", kMinDays},
        CheckCase{"systemId9", "14", "9", "30", ""}, CheckCase{"systemId10", "14", "10", "30", kSystemId},
        CheckCase{"systemIdNegative", "14", "-1", "30", kSystemId},
        CheckCase{"systemIdLeadingNumberTooBig", "14", "12x", "30", kSystemId},
        CheckCase{"minutes60", "14", "0", "60", ""}, CheckCase{"minutes61", "14", "0", "61", kMinutes},
        CheckCase{"fractionsHalvesDown", "2.5", "0.5", "30", "", 2, 0},
        CheckCase{"fractionsHalvesUp", "3.5", "1.5", "30", "", 4, 2},
        CheckCase{"blanksAround", " 30 ", " 7 ", "30", "", 30, 7},
        CheckCase{"fractionOfMinutesBelowOne", "14", "0", "0.5", kMinutes},
        CheckCase{"daysCheckedBeforeSystemId", "61", "10", "0", kMaxDays},
        CheckCase{"textInDays", "two weeks", "0", "30",
                  "Number of Days of Call History to keep: \"two weeks\" is not a number. Enter a "
                  "number of days from 2 to 60."},
        CheckCase{"emptySystemId", "14", "", "30",
                  "Calls Program System ID: \"\" is not a number. Enter one digit from 0 to 9."},
        CheckCase{"textInMinutes", "14", "0", "half an hour",
                  "Minutes between scans for new files: \"half an hour\" is not a number. Enter a "
                  "number of minutes from 1 to 60."}),
    test::RowName());

// OK with the days of history changed from 14.
struct HistoryCase {
    const char* name;
    const char* days;
    bool purges;
};

class PropertiesHistory : public ::testing::TestWithParam<HistoryCase> {};

TEST_P(PropertiesHistory, PurgesOnlyWhenShortened) {
    const HistoryCase& c = GetParam();
    test::ProgramFixture f;
    PropertiesEntries entries = propertiesFromSettings(f.ctx.settings);
    entries.daysOfHistory = QString::fromUtf8(c.days);
    int purges = 0;
    acceptProperties(f.ctx, entries, [&] { ++purges; });
    EXPECT_EQ(purges, c.purges ? 1 : 0);
    EXPECT_EQ(f.savedSetting(u"Miscellaneous"_s, u"DaysOfHistory"_s), QString::fromUtf8(c.days));
    EXPECT_EQ(f.auditMessages(u"P"_s), QStringList{u"Properties edited."_s});
}

INSTANTIATE_TEST_SUITE_P(Rows, PropertiesHistory,
                         ::testing::Values(HistoryCase{"shortened", "7", true},
                                           HistoryCase{"lengthened", "20", false},
                                           HistoryCase{"unchanged", "14", false}),
                         test::RowName());

TEST(PropertiesFolders, WarnAboutMissingFoldersOfTheGroupsInUse) {
    test::ProgramFixture f;
    PropertiesEntries entries = propertiesFromSettings(f.ctx.settings);
    entries.dataBinFolder = f.path(u"gone/dcs/"_s);
    entries.scannedFolder = f.path(u"gone/scan"_s);
    entries.enableCalls = true;
    entries.enableFiles = false;
    EXPECT_EQ(folderConcerns(entries, *f.ctx.paths),
              QStringList{u"DataBin.Dat Folder \"%1\" does not exist."_s.arg(entries.dataBinFolder)})
        << "the host folder I:\\QX7Com\\ is there; the scanned folder is not in use";
    entries.enableFiles = true;
    EXPECT_EQ(folderConcerns(entries, *f.ctx.paths).size(), 2);
    entries.qx7Folder = u"  "_s;
    EXPECT_EQ(folderConcerns(entries, *f.ctx.paths).last(),
              u"MXR Folder is empty: no order is sent until it is set."_s);
}

TEST(PropertiesInTheCycle, APurgeAskedForDuringATickWaitsForItsEnd) {
    test::ProgramFixture f;
    f.ctx.settings.lastDatePurged = f.clock.now();
    f.ctx.settings.enableCalls = false;
    QStringList ran;
    ProcessingCycle* running = nullptr;
    CycleJobs jobs;
    jobs.exportCalls = [&] {
        ran << u"export"_s;
        running->purgeNow(); // the Properties dialog opened from the network-error wait
        ran << u"export done"_s;
    };
    jobs.purge = [&] {
        ran << u"purge"_s;
        return Result::success();
    };
    ProcessingCycle cycle(f.ctx, std::move(jobs));
    running = &cycle;
    cycle.markStarted();
    cycle.tick();
    EXPECT_EQ(ran, (QStringList{u"export"_s, u"export done"_s, u"purge"_s}));
}

} // namespace
