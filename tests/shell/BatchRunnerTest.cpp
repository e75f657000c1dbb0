#include "shell/BatchRunner.h"
#include "support/IntakeFixture.h"
#include "support/TestNames.h"
#include "testdata/DataBinGenerator.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::testdata;
using vrq::test::makeCall;

namespace {

const QByteArray kGoodData = "&S123456&C12345678&I1234567890123&Q012+&";
const QByteArray kShortQuantity = "&S123456&C12345678&I1234567890123&Q12+&";
const QByteArray kNoFinalAmpersand = "&S123456&C12345678&I1234567890123&Q012+";

struct BatchCase {
    const char* name;
    QByteArray file;
    bool passes;
    QStringList badEntries;     // the "...was determined to be bad (...)" entries
    bool callOneStored = false; // a call already in the store passes without being tested
};

// A file of passing calls and one failing last: HeadlessRunTest runs them through the built program.
class CommandLineFileTest : public ::testing::TestWithParam<BatchCase> {};

TEST_P(CommandLineFileTest, ResultIsThatOfTheLastCallAndNothingIsStored) {
    const BatchCase& c = GetParam();
    test::ProgramFixture env;
    env.setRunMode(u'B');
    if (c.callOneStored)
        env.add(CallRow{.callNumber = 1, .complete = true});
    const QString path = env.path(u"calls.dat"_s);
    ASSERT_TRUE(test::ProgramFixture::writeFile(path, c.file));
    EXPECT_EQ(BatchRunner::processCommandLineFile(env.ctx, path), c.passes);
    EXPECT_EQ(env.store->calls().allCalls().size(), c.callOneStored ? 1u : 0u);
    EXPECT_TRUE(env.store->calls().allOrders().empty());
    EXPECT_TRUE(env.store->calls().allItems().empty());
    for (const AuditRow& row : env.store->audit().allAudit())
        EXPECT_EQ(row.instance, u"B"_s);
    EXPECT_EQ(env.auditMessages(u"V"_s).isEmpty(), c.callOneStored);
    EXPECT_EQ(env.auditMessages(u"I"_s).filter(u"determined to be bad"_s), c.badEntries);
    EXPECT_TRUE(env.auditMessages(u"E"_s).isEmpty()) << "no row is looked for in batch mode";
}

INSTANTIATE_TEST_SUITE_P(
    Files, CommandLineFileTest,
    ::testing::Values(
        BatchCase{"failingCallThenAPassingOne",
                  makeCall(1, kShortQuantity) + makeCall(2, kGoodData),
                  true,
                  {u"ProcessGoodCall: Call # 1 was determined to be bad (Quantity)."_s}},
        BatchCase{"noFinalAmpersand",
                  makeCall(1, kNoFinalAmpersand),
                  false,
                  {u"ProcessGoodCall: Call # 1 was determined to be bad (End &)."_s}},
        BatchCase{"upstreamBadFlagIsTestedAsGood", makeCall(1, kGoodData, 'N', statusTextFor(3)), true, {}},
        BatchCase{"callAlreadyStored", makeCall(1, kShortQuantity), true, {}, true}),
    test::RowName());

} // namespace
