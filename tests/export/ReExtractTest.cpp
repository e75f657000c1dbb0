// Re-Extract without a window: the call is marked to be sent again, its entry written and its row shown
// as good; a call gone is left alone; a store that refuses is reported. A marked call goes out again
// under a new number.
#include "export/ReExtract.h"
#include "context/NetworkConnection.h"
#include "export/OrderExport.h"
#include "store/StoreProbe.h"
#include "support/ProgramFixture.h"
#include "support/ResultChecks.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::test;

namespace {

enum class Outcome { Marked, Gone, Refused };

struct ReExtractCase {
    const char* name;
    int source;
    bool stored;
    bool storeRefuses;
    Outcome outcome;
    const char* entry; // the one audit entry written, or ""
};

class ReExtractTest : public ::testing::TestWithParam<ReExtractCase> {};

TEST_P(ReExtractTest, MarksAnExtractedCallToBeSentAgain) {
    const ReExtractCase& c = GetParam();
    ProgramFixture f;
    f.ctx.settings.systemId = 7;
    f.ctx.settings.lastSeqNum = 41;
    if (c.stored) {
        f.addPendingCall(c.source, 17, 1);
        ASSERT_TRUE(f.store->calls().markExtracted(c.source, 17, u"QX770010.Rcv"_s, f.clock.now()).ok());
    }
    if (c.storeRefuses) {
        ASSERT_TRUE(
            succeeded(StoreProbe(*f.store).exec(u"CREATE TEMP TRIGGER RefuseCalls BEFORE UPDATE ON Calls "
                                                "BEGIN SELECT RAISE(ABORT, 'database is locked'); END"_s)));
    }

    const Result result = ReExtract(f.ctx).markToSendAgain({c.source, 17});

    EXPECT_EQ(result.ok(), c.outcome == Outcome::Marked) << result.message.toStdString();
    EXPECT_EQ(result.isNotFound(), c.outcome == Outcome::Gone);
    EXPECT_EQ(f.auditTexts(), *c.entry ? QStringList{QString::fromUtf8(c.entry)} : QStringList());
    const std::vector<RecordingUserInterface::Display> shownGood{{c.source, 17, CallDisplay::Good}};
    EXPECT_EQ(f.ui.displayed,
              c.outcome == Outcome::Marked ? shownGood : std::vector<RecordingUserInterface::Display>{});
    if (!c.stored)
        return;
    EXPECT_EQ(f.call(c.source, 17)->extractedCall, c.outcome != Outcome::Marked);

    NetworkConnection network(f.ctx);
    OrderExport(f.ctx, network).extractCalls();
    EXPECT_EQ(f.call(c.source, 17)->extractedFileName,
              c.outcome == Outcome::Marked ? u"QX770042.Rcv"_s : u"QX770010.Rcv"_s);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReExtractTest,
    ::testing::Values(ReExtractCase{"CallOfDataBin", 0, true, false, Outcome::Marked,
                                    "I|Call #17 marked to be sent to QX7 again (Re-Extract)"},
                      ReExtractCase{"ScannedFile", 1, true, false, Outcome::Marked,
                                    "I|File #17 marked to be sent to QX7 again (Re-Extract)"},
                      ReExtractCase{"CallGoneFromTheStore", 0, false, false, Outcome::Gone, ""},
                      ReExtractCase{"StoreRefuses", 0, true, true, Outcome::Refused,
                                    "E|ReExtract error (database is locked)"}),
    RowName());

} // namespace
