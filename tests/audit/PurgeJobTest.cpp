#include "audit/PurgeJob.h"
#include "audit/AuditExport.h"
#include "context/NetworkConnection.h"
#include "support/ProgramFixture.h"
#include "support/TestNames.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::test;

namespace {

QDateTime march(int day, int hour = 0, int minute = 0, int second = 0) {
    return QDateTime(QDate(2026, 3, day), QTime(hour, minute, second));
}

// On 10 March with two days of history the cut-off is 8 March 00:00:00.
class PurgeJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        f.ctx.settings.DaysOfHistory = 2;
        f.ctx.settings.LastDatePurged = march(9, 12);
    }
    Result purge() {
        NetworkConnection network(f.ctx);
        AuditExport auditExport(f.ctx, network);
        return PurgeJob(f.ctx, auditExport).purgeCalls();
    }
    void addCallWithOrder(int source, int callNumber, const QDateTime& when, bool good, bool complete,
                          bool extracted) {
        f.addCall(source, callNumber, 1, good, complete, extracted, when);
        f.addOrder(source, callNumber, 1);
        f.addItem(source, callNumber, 1, 1);
    }
    void addAudit(const QDateTime& audited, const QDateTime& event) {
        const AuditRow row{audited, event, u"I"_s, storeDateText(audited), 1, u"F"_s};
        ASSERT_TRUE(f.store->insertAudit(row).ok());
    }
    ProgramFixture f{march(10, 0, 5)};
};

struct CallCase {
    const char* name;
    QDateTime callDnt;
    bool good;
    bool complete;
    bool extracted;
    bool purged;
};

class PurgeCallTest : public PurgeJobTest, public ::testing::WithParamInterface<CallCase> {};

// The same call number from the scanned folder, never sent, stays with its order and item beside it.
TEST_P(PurgeCallTest, OnlyFinishedCallsAtOrBeforeTheCutoffGo) {
    const CallCase& c = GetParam();
    addCallWithOrder(0, 17, c.callDnt, c.good, c.complete, c.extracted);
    addCallWithOrder(1, 17, march(1), true, true, false);
    ASSERT_TRUE(purge().ok());
    EXPECT_EQ(!f.call(0, 17).has_value(), c.purged);
    EXPECT_EQ(f.store->ordersOfCall(0, 17).empty(), c.purged);
    EXPECT_EQ(f.store->itemsOfOrder(0, 17, 1).empty(), c.purged);
    EXPECT_TRUE(f.call(1, 17) &&
                f.store->ordersOfCall(1, 17).size() + f.store->itemsOfOrder(1, 17, 1).size() == 2);
    const std::vector<RecordingUserInterface::Display> removed{{0, 17, CallDisplay::Remove}};
    EXPECT_EQ(f.ui.displayed, c.purged ? removed : std::vector<RecordingUserInterface::Display>{});
}

INSTANTIATE_TEST_SUITE_P(
    Calls, PurgeCallTest,
    ::testing::Values(CallCase{"BadAndOld", march(7, 10), false, true, false, true},
                      CallCase{"ExtractedAtTheCutoff", march(8), true, true, true, true},
                      CallCase{"ExtractedJustAfterTheCutoff", march(8, 0, 0, 1), true, true, true, false},
                      CallCase{"GoodNeverExtracted", march(1), true, true, false, false},
                      CallCase{"IncompleteBad", QDateTime(QDate(2025, 1, 1), QTime(0, 0)), false, false,
                               false, false},
                      CallCase{"IncompleteGoodExtracted", march(1), true, false, true, false}),
    RowName());

TEST_F(PurgeJobTest, AuditEntriesGoByTheirAuditTimeThenTheExportIsRewritten) {
    addAudit(march(7, 23, 59, 59), march(7, 23, 59, 59));
    addAudit(march(8), march(9)); // at the cut-off, even with a later event time
    addAudit(march(8, 0, 0, 1), march(1));
    addAudit(march(10), march(10));
    ASSERT_TRUE(purge().ok());
    EXPECT_EQ(f.auditTexts(), (QStringList{u"I|2026-03-08 00:00:01"_s, u"I|2026-03-10 00:00:00"_s}));
    EXPECT_EQ(f.hostFileBytes(u"VRQtoQX7.Aud"_s).count("\r\n"), 2);
    EXPECT_EQ(f.ctx.settings.LastDatePurged, march(10, 0, 5));
}

TEST_F(PurgeJobTest, AFailureIsHandedBackAndTheDateIsNotAdvanced) {
    addCallWithOrder(0, 17, march(1), false, true, false);
    f.store->database().exec("DROP TABLE Audit");
    const Result result = purge();
    EXPECT_TRUE(!result.ok() && !result.message.isEmpty());
    EXPECT_EQ(f.ctx.settings.LastDatePurged, march(9, 12));
    EXPECT_FALSE(f.call(0, 17).has_value()) << "the calls purged before the failure stay purged";
    EXPECT_FALSE(f.store->inTransaction());
}

TEST_F(PurgeJobTest, ACallThatCannotBeDeletedKeepsItsOrders) {
    addCallWithOrder(0, 17, march(1), false, true, false);
    // Another program holds the store: the call's unit of work cannot start.
    SQLite::Database other(f.store->database().getFilename(), SQLite::OPEN_READWRITE);
    other.exec("BEGIN IMMEDIATE");
    f.store->database().setBusyTimeout(0);
    const Result result = purge();
    other.exec("ROLLBACK");
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(f.call(0, 17).has_value());
    EXPECT_EQ(f.store->allOrders().size(), 1u);
    EXPECT_TRUE(f.ui.displayed.empty());
}

} // namespace
