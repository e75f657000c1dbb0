// The export of a store several workstations share: the ledger in the store makes every call reach the
// host folder once, whichever desk sends it, whatever a stopped desk left behind.
#include "context/NetworkConnection.h"
#include "export/OrderExport.h"
#include "pg/PgTestDatabase.h"
#include "store/UnitOfWork.h"
#include "support/ProgramFixture.h"
#include "support/ResultChecks.h"
#include "support/ScriptedFileSystem.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::test;

namespace {

// Workstation 1 (SystemID 4) is the program under test; workstation 2 (SystemID 5) is another desk on the
// same database, whose program is stopped unless a test claims its number.
class SiteExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        VRQ_NEED_PG_SERVER();
        ASSERT_TRUE(m_db.created()) << m_db.error().toStdString();
        f = std::make_unique<ProgramFixture>(ProgramFixture::kDefaultNow, m_db.conninfo());
        f->ctx.settings.systemId = 4;
        f->ctx.settings.lastSeqNum = 0;
        other = openDesk(2);
        ASSERT_TRUE(other);
        ASSERT_TRUE(succeeded(other->ledger().registerSystem(5, 0)));
    }

    std::unique_ptr<Store> openDesk(int workstation) {
        const StoreLocation location{
            .backend = StoreBackend::PostgreSQL, .connection = m_db.conninfo(), .workstation = workstation};
        Result opened;
        std::unique_ptr<Store> store = openStore(location, StoreAccess::ReadWrite, &opened);
        EXPECT_TRUE(store) << opened.message.toStdString();
        return store;
    }

    void extract() {
        NetworkConnection network(f->ctx);
        OrderExport(f->ctx, network).extractCalls();
    }

    // A pending call of the other desk with one order (its customer names the desk) and one item.
    void addOtherDesksCall(int callNumber) {
        ASSERT_TRUE(succeeded(other->calls().insertCall(
            CallRow{.callNumber = callNumber, .goodCall = true, .complete = true, .numberOfOrders = 1})));
        ASSERT_TRUE(succeeded(other->calls().insertOrder(OrderRow{.callNumber = callNumber,
                                                                  .orderSeqNumber = 1,
                                                                  .salesperson = u"SP"_s,
                                                                  .customer = u"DESK2"_s,
                                                                  .route = u"R"_s,
                                                                  .message = u"M"_s,
                                                                  .numberOfItems = 1})));
        ASSERT_TRUE(succeeded(other->calls().insertItem(ItemRow{.callNumber = callNumber,
                                                                .orderSeqNumber = 1,
                                                                .itemSeqNumber = 1,
                                                                .itemNumber = u"I"_s,
                                                                .quantity = 1})));
    }

    // What the other desk's export leaves when it stops after reserving a file for call, and optionally
    // after marking it about to rename.
    void stopOtherDeskAfterReserving(int callNumber, bool aboutToRename) {
        addOtherDesksCall(callNumber);
        qint64 epoch = 0;
        Result r;
        const std::vector<ClaimedCall> claimed = other->ledger().claimCalls(10, false, &epoch, &r);
        EXPECT_TRUE(succeeded(r));
        EXPECT_EQ(claimed.size(), 1u);
        const std::vector<OrderFileEntry> files = other->ledger().reserveFiles(
            epoch, {claimed.at(0).key()}, {}, [](int, int) { return false; }, &r);
        EXPECT_TRUE(succeeded(r));
        EXPECT_EQ(files.size(), 1u);
        if (aboutToRename) {
            std::vector<qint64> fenced;
            EXPECT_TRUE(succeeded(other->ledger().markAboutToRename(epoch, {files.at(0).id}, &fenced)));
            EXPECT_TRUE(fenced.empty());
        }
    }

    std::optional<CallRow> otherDesksCall(int callNumber) { return other->calls().findCall(0, callNumber); }
    int unsettledFilesOf(int workstation) {
        return int(f->store->ledger().unsettledFiles(workstation, nullptr).size());
    }

    PgTestDatabase m_db;
    std::unique_ptr<ProgramFixture> f;
    std::unique_ptr<Store> other;
};

class SiteExportTakeOverTest : public SiteExportTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SiteExportTakeOverTest, EachDesksCallsAreSentOnceUnderTheirOwnSystemId) {
    f->ctx.settings.takeOver = GetParam();
    for (int callNumber = 1; callNumber <= 3; ++callNumber) {
        f->addPendingCall(0, callNumber, 2);
        addOtherDesksCall(callNumber); // the same numbers on the other desk
    }

    extract();
    extract(); // a second pass finds nothing left to send

    QStringList expected{u"QX740001.Rcv"_s, u"QX740002.Rcv"_s, u"QX740003.Rcv"_s};
    if (GetParam())
        expected << u"QX750001.Rcv"_s << u"QX750002.Rcv"_s << u"QX750003.Rcv"_s;
    EXPECT_EQ(f->hostFiles(), expected);
    for (int callNumber = 1; callNumber <= 3; ++callNumber) {
        EXPECT_TRUE(f->call(0, callNumber)->extractedCall);
        EXPECT_EQ(otherDesksCall(callNumber)->extractedCall, GetParam());
    }
    if (GetParam()) {
        EXPECT_TRUE(f->hostFileBytes(u"QX750002.Rcv"_s).contains("DESK2"));
        EXPECT_EQ(otherDesksCall(2)->extractedFileName, u"QX750002.Rcv"_s);
        EXPECT_TRUE(f->auditMessages(u"I"_s).contains(u"ExtractCalls: sent 3 call(s) of workstation 2."_s));
        EXPECT_EQ(f->ctx.status.othersCallsSent, 3);
    }
    EXPECT_EQ(unsettledFilesOf(1), 0);
}

INSTANTIATE_TEST_SUITE_P(TakeOver, SiteExportTakeOverTest, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "On" : "Off"); });

// A stopped desk's file in each state it can be left in, settled by this desk from the host folder.
struct LeftFile {
    const char* name;
    bool aboutToRename;
    bool tmpLeft;
    bool rcvLeft;
    bool markerPlacedBefore; // the site's marker file was placed and is now missing
    bool delivered;          // the settling finds the host has the file
    bool settled;
};

class SiteExportSettlingTest : public SiteExportTest, public ::testing::WithParamInterface<LeftFile> {};

TEST_P(SiteExportSettlingTest, AStoppedDesksFileIsSettledOnceFromTheHostFolder) {
    const LeftFile& c = GetParam();
    f->ctx.settings.takeOver = true;
    stopOtherDeskAfterReserving(9, c.aboutToRename);
    if (c.tmpLeft) {
        ASSERT_TRUE(ProgramFixture::writeFile(f->hostFile(u"QX750001.Tmp"_s), "partial"));
    }
    if (c.rcvLeft) {
        ASSERT_TRUE(ProgramFixture::writeFile(f->hostFile(u"QX750001.Rcv"_s), "renamed"));
    }
    if (c.markerPlacedBefore) {
        ASSERT_TRUE(succeeded(f->store->ledger().recordMarkerPlaced()));
    }
    other.reset(); // its program is gone: its workstation's lock is free

    extract();

    other = openDesk(2);
    const std::optional<CallRow> settledCall = otherDesksCall(9);
    ASSERT_TRUE(settledCall);
    EXPECT_FALSE(f->hostFiles().contains(u"QX750001.Tmp"_s) && c.settled);
    EXPECT_EQ(unsettledFilesOf(2), c.settled ? 0 : 1);
    if (!c.settled) {
        EXPECT_FALSE(settledCall->extractedCall);
        EXPECT_TRUE(f->auditMessages(u"E"_s).join(u'\n').contains(QLatin1String(kSiteMarkerFileName)));
        return;
    }
    EXPECT_TRUE(settledCall->extractedCall);
    // Delivered: the host has (or took) number 1, nothing more is written. Not delivered: sent again,
    // under the next number.
    EXPECT_EQ(settledCall->extractedFileName, c.delivered ? u"QX750001.Rcv"_s : u"QX750002.Rcv"_s);
    EXPECT_EQ(f->hostFiles().filter(u".Rcv"_s).size(), (c.rcvLeft ? 1 : 0) + (c.delivered ? 0 : 1));
    EXPECT_FALSE(f->hostFiles().contains(u"QX750001.Tmp"_s));
}

INSTANTIATE_TEST_SUITE_P(
    States, SiteExportSettlingTest,
    ::testing::Values(LeftFile{"ReservedWithItsTmp", false, true, false, false, false, true},
                      LeftFile{"ReservedWithNothingWritten", false, false, false, false, false, true},
                      LeftFile{"AboutToRenameAndRenamed", true, false, true, false, true, true},
                      LeftFile{"AboutToRenameNotRenamed", true, true, false, false, false, true},
                      LeftFile{"AboutToRenameAndTakenByTheHost", true, false, false, false, true, true},
                      LeftFile{"AboutToRenameWithTheMarkerFileMissing", true, false, false, true, false,
                               false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SiteExportTest, AnExporterFencedOutWhileWritingRenamesNothing) {
    f->ctx.settings.takeOver = true;
    addOtherDesksCall(3);
    qint64 epoch = 0;
    Result r;
    const std::vector<ClaimedCall> claimed = other->ledger().claimCalls(10, false, &epoch, &r);
    ASSERT_EQ(claimed.size(), 1u);
    const std::vector<OrderFileEntry> files = other->ledger().reserveFiles(
        epoch, {claimed[0].key()}, {}, [](int, int) { return false; }, &r);
    ASSERT_EQ(files.size(), 1u);
    // The desk lost its lock (a frozen connection the server dropped), so this desk settles its file and
    // sends the call itself.
    extract();
    ASSERT_TRUE(otherDesksCall(3)->extractedCall);

    std::vector<qint64> fenced;
    ASSERT_TRUE(succeeded(other->ledger().markAboutToRename(epoch, {files[0].id}, &fenced)));
    EXPECT_EQ(fenced, std::vector<qint64>{files[0].id});
    EXPECT_EQ(f->hostFiles().filter(u".Rcv"_s), QStringList{u"QX750002.Rcv"_s});
    EXPECT_TRUE(f->hostFiles().filter(u".Tmp"_s).isEmpty());
}

// The store stops answering while this desk writes its files (a frozen network whose session the server
// ended) and another desk settling them gives up the one not yet created; this desk creates it all the
// same. Once it reconnects, that ".Tmp" is removed and both calls go again, once each.
TEST_F(SiteExportTest, AFileGivenUpWhileTheStoreDidNotAnswerLeavesNoTmp) {
    f->addPendingCall(0, 3);
    f->addPendingCall(0, 4);
    ScriptedFileSystem frozen{runningFirst(FsOp::WriteDurably, u".Tmp"_s, 1, [&] {
        Result r;
        for (const OrderFileEntry& file : other->ledger().unsettledFiles(1, &r)) {
            if (file.call.callNumber == 4) { // its ".Tmp" is not there yet
                UnitOfWork unit(other->units());
                EXPECT_TRUE(succeeded(other->ledger().markAbandoned(file)));
                EXPECT_TRUE(succeeded(unit.commit()));
            }
        }
        EXPECT_TRUE(m_db.endSessions());
    })};
    f->ctx.fs = &frozen;
    NetworkConnection network(f->ctx);
    OrderExport desk(f->ctx, network); // one for the run, as the program keeps it
    desk.extractCalls();
    EXPECT_EQ(f->hostFiles(), (QStringList{u"QX740001.Tmp"_s, u"QX740002.Tmp"_s})) << "renamed unmarked";

    f->ctx.fs = f->fs;
    ASSERT_TRUE(succeeded(f->store->units().reconnect()));
    desk.extractCalls();
    EXPECT_EQ(f->hostFiles(), (QStringList{u"QX740003.Rcv"_s, u"QX740004.Rcv"_s}));
    EXPECT_EQ(f->call(0, 3)->extractedFileName, u"QX740003.Rcv"_s);
    EXPECT_EQ(f->call(0, 4)->extractedFileName, u"QX740004.Rcv"_s);
    EXPECT_EQ(f->auditMessages(u"W"_s)
                  .filter(u"removed 1 .Tmp file(s) written while the store did not answer"_s)
                  .size(),
              1);
    EXPECT_EQ(unsettledFilesOf(1), 0);
}

// A desk that takes its calls in while the host folder cannot be reached, and then stops for good, has
// still told the site its SystemID: another desk sends its calls under it.
TEST_F(SiteExportTest, ADeskThatNeverReachedTheHostFolderHasItsCallsSentByTheOthers) {
    f->ctx.settings.monitorNetwork = true;
    f->addPendingCall(0, 7, 1);
    f->loseHostFolder();
    f->drives.connectResult = 53;
    extract();
    ASSERT_FALSE(f->call(0, 7)->extractedCall);
    f->restoreHostFolder();

    qint64 epoch = 0;
    Result r;
    const std::vector<ClaimedCall> claimed = other->ledger().claimCalls(10, true, &epoch, &r);
    ASSERT_TRUE(succeeded(r));
    ASSERT_EQ(claimed.size(), 1u) << "the desk's call cannot be sent by another";
    EXPECT_EQ(claimed[0].call.workstation, 1);
    const std::vector<OrderFileEntry> files = other->ledger().reserveFiles(
        epoch, {claimed[0].key()}, {}, [](int, int) { return false; }, &r);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].systemId, 4);
}

TEST_F(SiteExportTest, NumbersWrapPastNamesInTheHostFolderAndOneSystemIdHasOneCounter) {
    f->ctx.settings.lastSeqNum = 9899;
    // The other desk shares the SystemID and runs.
    ASSERT_TRUE(succeeded(other->ledger().registerSystem(4, 9899)));
    ASSERT_TRUE(succeeded(other->units().claimWorkstation()));
    ASSERT_TRUE(ProgramFixture::writeFile(f->hostFile(u"QX749900.Rcv"_s), "waiting"));
    ASSERT_TRUE(ProgramFixture::writeFile(f->hostFile(u"QX740001.Rcv"_s), "waiting"));
    f->addPendingCall(0, 1, 1);
    extract();
    ASSERT_EQ(f->hostFiles().filter(u".Rcv"_s).size(), 3);
    addOtherDesksCall(8);
    qint64 epoch = 0;
    Result r;
    const std::vector<ClaimedCall> claimed = other->ledger().claimCalls(10, false, &epoch, &r);
    ASSERT_EQ(claimed.size(), 1u);
    const std::vector<OrderFileEntry> inFlight = other->ledger().reserveFiles(
        epoch, {claimed[0].key()}, {}, [](int, int) { return false; }, &r);
    ASSERT_EQ(inFlight.size(), 1u);
    EXPECT_EQ(inFlight[0].seqNum, 3); // after 2, which this desk took past 9900 and 1

    f->addPendingCall(0, 2, 1);
    extract();

    EXPECT_EQ(f->call(0, 1)->extractedFileName, u"QX740002.Rcv"_s);
    EXPECT_EQ(f->call(0, 2)->extractedFileName, u"QX740004.Rcv"_s);
    EXPECT_FALSE(otherDesksCall(8)->extractedCall); // its desk runs: its file is left to it
}

// A program stopped (killed) right after a ".Tmp" of a file about to rename went away, before the store
// recorded that the file was given up: whoever settles it next must not take its absence for the host
// having collected it. Either way the ".Tmp" can go (deleted, or moved aside under a name of its own).
std::vector<FsRule> stopOnceTheTmpIsGone() {
    return {stopAfter(FsOp::RemoveFile, u".Tmp"_s), stopAfter(FsOp::Rename, u".Del"_s)};
}

TEST_F(SiteExportTest, ASettlerStoppedOnceTheTmpIsGoneNeverCountsTheFileAsSent) {
    f->ctx.settings.takeOver = true;
    stopOtherDeskAfterReserving(9, true);
    ASSERT_TRUE(ProgramFixture::writeFile(f->hostFile(u"QX750001.Tmp"_s), "written, not renamed"));
    other.reset(); // stopped before its rename

    ScriptedFileSystem dying(stopOnceTheTmpIsGone());
    f->ctx.fs = &dying;
    EXPECT_THROW(extract(), Stopped);
    f->store->units().rollback();
    f->ctx.fs = f->fs;
    extract();

    other = openDesk(2);
    EXPECT_EQ(otherDesksCall(9)->extractedFileName, u"QX750002.Rcv"_s) << "marked with a file never renamed";
    EXPECT_EQ(f->hostFiles().filter(u"QX75"_s), QStringList{u"QX750002.Rcv"_s});
    EXPECT_EQ(unsettledFilesOf(2), 0);
}

TEST_F(SiteExportTest, AWriterStoppedOnceItsUnrenamedTmpIsGoneSendsTheCallAgain) {
    f->addPendingCall(0, 5);
    std::vector<FsRule> rules = stopOnceTheTmpIsGone();
    rules.insert(rules.begin(), failing(FsOp::Rename, u".Rcv"_s, EIO, 1));
    ScriptedFileSystem dying(rules);
    f->ctx.fs = &dying;
    EXPECT_THROW(extract(), Stopped);
    f->store->units().rollback();
    f->ctx.fs = f->fs;
    extract();

    EXPECT_EQ(f->call(0, 5)->extractedFileName, u"QX740002.Rcv"_s) << "marked with a file never renamed";
    EXPECT_EQ(f->hostFiles().filter(u"QX74"_s), QStringList{u"QX740002.Rcv"_s});
    EXPECT_EQ(unsettledFilesOf(1), 0);
}

// A stop after the store recorded the file as given up, before its moved-aside ".Tmp" was deleted: the
// next pass that lists the host folder deletes it.
TEST_F(SiteExportTest, AGivenUpTmpAStopLeftBehindIsDeletedByTheNextPass) {
    f->addPendingCall(0, 5);
    ScriptedFileSystem dying{failing(FsOp::Rename, u".Rcv"_s, EIO, 1),
                             stopBefore(FsOp::RemoveFile, u".Del"_s)};
    f->ctx.fs = &dying;
    EXPECT_THROW(extract(), Stopped);
    const QStringList left = f->hostFiles().filter(u".Del"_s);
    ASSERT_EQ(left.size(), 1) << f->hostFiles().join(u' ').toStdString();
    // Someone else's files of a like name are no leftovers.
    const QStringList othersFiles{QString(left[0]).replace(u"QX74"_s, u"QX7X"_s),
                                  u"Report."_s + left[0].section(u'.', 1)};
    for (const QString& name : othersFiles)
        ASSERT_TRUE(ProgramFixture::writeFile(f->hostFile(name), "not an order file"));
    f->ctx.fs = f->fs;
    extract();

    EXPECT_EQ(f->hostFiles().filter(u"QX74"_s), QStringList{u"QX740002.Rcv"_s});
    EXPECT_EQ(f->call(0, 5)->extractedFileName, u"QX740002.Rcv"_s);
    for (const QString& name : othersFiles)
        EXPECT_TRUE(f->hostFiles().contains(name)) << name.toStdString();
}

} // namespace
