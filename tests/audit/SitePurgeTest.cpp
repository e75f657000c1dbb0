// The daily purge of a store that several workstations share: one of them purges every workstation's
// finished calls and old entries, once a day, under the site's lock; the audit files are the site's.
#include "audit/AuditExport.h"
#include "audit/PurgeJob.h"
#include "context/NetworkConnection.h"
#include "pg/PgTestDatabase.h"
#include "store/StoreDates.h"
#include "support/ProgramFixture.h"
#include "support/ResultChecks.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::test;

namespace {

QDateTime march(int day, int hour = 0) {
    return QDateTime(QDate(2026, 3, day), QTime(hour, 0));
}

// Workstation 1 is the program under test (on 10 March, two days of history: the cut-off is 8 March);
// workstation 2 is another desk on the same database.
class SitePurgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        VRQ_NEED_PG_SERVER();
        ASSERT_TRUE(m_db.created()) << m_db.error().toStdString();
        f = std::make_unique<ProgramFixture>(march(10, 9), m_db.conninfo());
        f->ctx.settings.daysOfHistory = 2;
        f->ctx.settings.lastDatePurged = march(9, 12);
        const StoreLocation location{
            .backend = StoreBackend::PostgreSQL, .connection = m_db.conninfo(), .workstation = 2};
        Result opened;
        other = openStore(location, StoreAccess::ReadWrite, &opened);
        ASSERT_TRUE(other) << opened.message.toStdString();
    }

    Result purge() {
        NetworkConnection network(f->ctx);
        AuditExport auditExport(f->ctx, network);
        return PurgeJob(f->ctx, auditExport).purgeCalls();
    }
    AuditExportOutcome exportAudits() {
        NetworkConnection network(f->ctx);
        return AuditExport(f->ctx, network).exportAudits();
    }

    // A finished call of the other desk (extracted, with an order and an item) and an entry of its.
    void addOtherDesksCall(int callNumber, const QDateTime& when) {
        ASSERT_TRUE(succeeded(other->calls().insertCall(CallRow{.callNumber = callNumber,
                                                                .callDnt = when,
                                                                .goodCall = true,
                                                                .complete = true,
                                                                .extractedCall = true,
                                                                .numberOfOrders = 1})));
        ASSERT_TRUE(succeeded(other->calls().insertOrder(OrderRow{
            .callNumber = callNumber, .orderSeqNumber = 1, .customer = u"C1"_s, .numberOfItems = 1})));
        ASSERT_TRUE(succeeded(other->calls().insertItem(
            ItemRow{.callNumber = callNumber, .orderSeqNumber = 1, .itemSeqNumber = 1, .quantity = 1})));
    }
    void addOtherDesksEntry(const QDateTime& when, const QString& msg) {
        ASSERT_TRUE(succeeded(other->audit().insertAudit(AuditRow{when, when, u"I"_s, msg, 1, u"F"_s})));
    }
    bool otherDeskHasCall(int callNumber) { return other->calls().findCall(0, callNumber).has_value(); }

    PgTestDatabase m_db;
    std::unique_ptr<ProgramFixture> f;
    std::unique_ptr<Store> other;
};

TEST_F(SitePurgeTest, OneWorkstationPurgesEveryWorkstationsFinishedCallsAndEntries) {
    addOtherDesksCall(6, march(1));
    addOtherDesksCall(7, march(9)); // after the cut-off
    addOtherDesksEntry(march(1), u"old entry of desk 2"_s);
    addOtherDesksEntry(march(9), u"recent entry of desk 2"_s);
    f->addCall(0, 6, 0, false, true, false, march(1)); // a bad call of this desk, with the same number
    f->addPendingCall(0, 8);                           // never sent: stays, however old

    ASSERT_TRUE(succeeded(purge()));

    EXPECT_FALSE(otherDeskHasCall(6));
    EXPECT_TRUE(other->calls().allOrders().size() == 1 && other->calls().allItems().size() == 1)
        << "the orders and items of desk 2's purged call go with it";
    EXPECT_TRUE(otherDeskHasCall(7));
    EXPECT_FALSE(f->call(0, 6).has_value());
    EXPECT_TRUE(f->call(0, 8).has_value());
    QStringList otherEntries;
    for (const AuditRow& row : other->audit().allAudit())
        otherEntries.append(row.msg);
    EXPECT_EQ(otherEntries, QStringList{u"recent entry of desk 2"_s});
    // Only this desk's window hears of the rows it removed.
    const std::vector<RecordingUserInterface::Display> removed{{0, 6, CallDisplay::Remove}};
    EXPECT_EQ(f->ui.displayed, removed);
    // The audit file in the shared host folder is the site's.
    EXPECT_TRUE(f->hostFileBytes(u"VRQtoQX7.Aud"_s).contains("recent entry of desk 2"));
    // The site's record and this desk's settings both say when.
    const std::optional<SitePurge> last = other->site().lastPurge();
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->workstation, 1);
    EXPECT_EQ(last->when, march(10, 9));
    EXPECT_EQ(f->ctx.settings.lastDatePurged, march(10, 9));
}

struct EarlierPurge {
    const char* name;
    std::optional<QDateTime> recorded; // by workstation 2
    bool purges;
};

class SitePurgeRecordTest : public SitePurgeTest, public ::testing::WithParamInterface<EarlierPurge> {};

// A purge another desk recorded today stands for this desk's: nothing is purged twice a day, and the log
// says who did it.
TEST_P(SitePurgeRecordTest, PurgesUnlessAnotherWorkstationDidToday) {
    const EarlierPurge& c = GetParam();
    if (c.recorded) {
        ASSERT_TRUE(succeeded(other->site().recordPurge(*c.recorded)));
    }
    f->addCall(0, 6, 0, false, true, false, march(1));

    ASSERT_TRUE(succeeded(purge()));

    EXPECT_EQ(!f->call(0, 6).has_value(), c.purges);
    EXPECT_EQ(f->ctx.settings.lastDatePurged, c.purges ? march(10, 9) : *c.recorded);
    const QStringList said = f->auditMessages(u"I"_s).filter(u"purged the site's history"_s);
    if (c.purges)
        EXPECT_TRUE(said.isEmpty());
    else
        EXPECT_EQ(said,
                  QStringList{u"PurgeCalls: workstation 2 purged the site's history today at 07:00:00."_s});
}

INSTANTIATE_TEST_SUITE_P(Site, SitePurgeRecordTest,
                         ::testing::Values(EarlierPurge{"NeverPurged", std::nullopt, true},
                                           EarlierPurge{"ByAnotherYesterday", march(9, 23), true},
                                           EarlierPurge{"ByAnotherToday", march(10, 7), false}),
                         RowName());

// While another desk holds the site's lock (it purges, or writes the audit files), this desk neither
// purges nor writes the files, and its purge stays due.
TEST_F(SitePurgeTest, WhileAnotherWorkstationHoldsTheSiteLockNothingIsPurgedOrWritten) {
    f->addCall(0, 6, 0, false, true, false, march(1));
    f->audit->write(AuditType::Info, u"an entry to export"_s);
    ASSERT_TRUE(succeeded(other->site().holdSiteLock()));

    EXPECT_TRUE(succeeded(purge()));
    EXPECT_TRUE(f->call(0, 6).has_value());
    EXPECT_EQ(f->ctx.settings.lastDatePurged, march(9, 12));
    const AuditExportOutcome busy = exportAudits();
    EXPECT_EQ(busy.done, AuditExportOutcome::Done::Busy);
    EXPECT_TRUE(busy.text().contains(u"another workstation is writing them"_s)) << busy.text().toStdString();
    EXPECT_TRUE(f->hostFiles().isEmpty());

    other->site().releaseSiteLock();
    EXPECT_TRUE(succeeded(purge()));
    EXPECT_FALSE(f->call(0, 6).has_value());
    EXPECT_TRUE(f->hostFiles().contains(u"VRQtoQX7.Aud"_s));
}

// The lock counts: the purge's own audit export takes it again inside the purge, and one release does
// not free it for another desk while an outer holder still has it.
TEST_F(SitePurgeTest, TheSiteLockIsFreeOnlyWhenEveryHoldIsReleased) {
    SiteJobs& mine = f->store->site();
    ASSERT_TRUE(succeeded(mine.holdSiteLock()));
    ASSERT_TRUE(succeeded(mine.holdSiteLock()));
    mine.releaseSiteLock();
    EXPECT_TRUE(other->site().holdSiteLock().isInUse());
    mine.releaseSiteLock();
    EXPECT_TRUE(succeeded(other->site().holdSiteLock()));
    other->site().releaseSiteLock();
}

} // namespace
