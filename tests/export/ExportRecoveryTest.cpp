#include "context/NetworkConnection.h"
#include "export/OrderExport.h"
#include "support/ProgramFixture.h"
#include "support/ScriptedFileSystem.h"
#include "support/TestNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::test;

namespace {

// A stop of the "process" at one point of the delivery of order files, the way a kill would: nothing
// after that point runs (the exception unwinds past every later step).
struct KillCase {
    const char* name;
    FsRule stop;
    QStringList finalFiles;             // of calls 17, 18, ... after the restart; three go in one group
    bool hostCollectsMeanwhile = false; // the host took the files before the program came back
};

// Call 17 with one order waits to be sent; the last order file number used was 41.
class ExportRecoveryRecord : public ::testing::Test {
protected:
    void SetUp() override {
        f.ctx.settings.systemId = 1;
        f.ctx.settings.lastSeqNum = 41;
        f.addPendingCall(0, 17);
    }
    void extract() {
        NetworkConnection network(f.ctx);
        OrderExport(f.ctx, network).extractCalls();
    }
    ProgramFixture f;
};

class ExportRecoveryTest : public ExportRecoveryRecord, public ::testing::WithParamInterface<KillCase> {};

TEST_P(ExportRecoveryTest, EachCallReachesTheHostExactlyOnce) {
    const KillCase& c = GetParam();
    const int lastCall = 16 + int(c.finalFiles.size());
    for (int n = 18; n <= lastCall; ++n)
        f.addPendingCall(0, n);
    ScriptedFileSystem dying{c.stop};
    f.ctx.fs = &dying;
    EXPECT_THROW(extract(), Stopped);
    f.store->units().rollback(); // what the engine does with an open transaction of a killed process

    QStringList delivered = f.hostFiles().filter(u".Rcv"_s);
    if (c.hostCollectsMeanwhile) {
        for (const QString& name : delivered)
            QFile::remove(f.hostFile(name));
    }

    // The restarted program: settings as last saved; the block of numbers the stopped pass reserved
    // (42 to 541) is skipped, so a call not delivered goes again as 542.
    f.ctx.fs = f.fs;
    f.ctx.settings.lastSeqNum = 41;
    extract();
    extract();

    delivered += f.hostFiles().filter(u".Rcv"_s);
    delivered.removeDuplicates();
    EXPECT_EQ(delivered, c.finalFiles);
    EXPECT_TRUE(f.hostFiles().filter(u".Tmp"_s).isEmpty()) << f.hostFiles().join(u' ').toStdString();
    QStringList sent;
    for (int n = 17; n <= lastCall; ++n) {
        sent << (f.call(0, n)->extractedCall ? f.call(0, n)->extractedFileName : u"unmarked"_s);
        EXPECT_EQ(f.auditTexts().count(u"X|Extracted call # %1"_s.arg(n)), 1) << n;
    }
    EXPECT_EQ(sent, c.finalFiles);
    EXPECT_TRUE(ExportRecovery(*f.fs, f.programFolder()).loadAll().empty()) << "no record left";
}

INSTANTIATE_TEST_SUITE_P(
    Kills, ExportRecoveryTest,
    ::testing::Values(
        KillCase{"BeforeRename", stopBefore(FsOp::Rename), {u"QX710542.Rcv"_s}},
        KillCase{"AfterRename", stopAfter(FsOp::Rename), {u"QX710042.Rcv"_s}},
        KillCase{"AfterRenameCollected", stopAfter(FsOp::Rename), {u"QX710042.Rcv"_s}, true},
        // the record is written, then blanked once the call is marked
        KillCase{"AfterMark", stopBefore(FsOp::Overwrite, u"OrderFileRename.txt"_s, 2), {u"QX710042.Rcv"_s}},
        // the marks of a group are written together after its last rename
        KillCase{"GroupBeforeTheThirdRename",
                 stopBefore(FsOp::Rename, {}, 3),
                 {u"QX710042.Rcv"_s, u"QX710043.Rcv"_s, u"QX710542.Rcv"_s}},
        KillCase{"GroupAfterTheLastRename",
                 stopAfter(FsOp::Rename, {}, 3),
                 {u"QX710042.Rcv"_s, u"QX710043.Rcv"_s, u"QX710044.Rcv"_s}}),
    RowName());

// A fault while the next pass settles the file a stop left unsent: a stop once its ".Tmp" is deleted, or
// a record that cannot be rewritten (the ".Tmp" then stays for the pass after).
struct SettlingCase {
    const char* name;
    FsRule fault;
    bool stops;
};

class SettlingFaultTest : public ExportRecoveryRecord, public ::testing::WithParamInterface<SettlingCase> {};

TEST_P(SettlingFaultTest, NeverCountsAnUnsentFileAsSent) {
    ScriptedFileSystem dying{stopBefore(FsOp::Rename)};
    f.ctx.fs = &dying;
    EXPECT_THROW(extract(), Stopped);
    f.store->units().rollback();

    ScriptedFileSystem faulty{GetParam().fault};
    f.ctx.fs = &faulty;
    if (GetParam().stops) {
        EXPECT_THROW(extract(), Stopped);
        f.store->units().rollback();
    } else {
        extract();
    }

    f.ctx.fs = f.fs;
    extract();
    const QStringList sent = f.hostFiles().filter(u".Rcv"_s);
    ASSERT_EQ(sent.size(), 1) << f.hostFiles().join(u' ').toStdString();
    EXPECT_EQ(f.call(0, 17)->extractedFileName, sent.first()) << "marked only with a file the host has";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SettlingFaultTest,
    ::testing::Values(SettlingCase{"StopOnceTheTmpIsDeleted", stopAfter(FsOp::RemoveFile, u".Tmp"_s), true},
                      SettlingCase{"RecordCannotBeRewritten",
                                   failing(FsOp::Overwrite, u"OrderFileRename.txt"_s, ENOSPC), false}),
    RowName());

// A rename that fails while the record cannot take its entry back: the ".Tmp" stays for the next pass to
// settle, since a record whose ".Tmp" is gone would count the call as sent.
TEST_F(ExportRecoveryRecord, AFailedRenameWhoseEntryStaysKeepsItsTmp) {
    ScriptedFileSystem disk{failing(FsOp::Rename, {}, ENOSPC),
                            failing(FsOp::Overwrite, u"OrderFileRename.txt"_s, ENOSPC, 2)};
    f.ctx.fs = &disk;
    extract();
    EXPECT_EQ(f.hostFiles(), QStringList{u"QX710042.Tmp"_s});

    f.ctx.fs = f.fs;
    extract();
    EXPECT_EQ(f.hostFiles(), QStringList{u"QX710043.Rcv"_s});
    EXPECT_EQ(f.call(0, 17)->extractedFileName, u"QX710043.Rcv"_s);
}

TEST_F(ExportRecoveryRecord, ACallWhoseFolderIsAwayWaitsWhileOthersGoOn) {
    f.ctx.settings.monitorNetwork = false;
    f.addPendingCall(0, 18);
    const QString awayFolder = f.dir.filePath(u"old-host"_s);
    ExportRecovery record(*f.fs, f.programFolder());
    ASSERT_TRUE(record.save(
        {0, 17, u"QX700007.Rcv"_s, awayFolder + u"/QX700007.Tmp"_s, awayFolder + u"/QX700007.Rcv"_s}));

    extract();
    EXPECT_FALSE(f.call(0, 17)->extractedCall);
    EXPECT_TRUE(f.call(0, 18)->extractedCall) << f.auditTexts().join(u'\n').toStdString();
    EXPECT_TRUE(record.load({0, 17}).has_value());

    QDir().mkpath(awayFolder); // back, and the file is not there: the host has it
    extract();
    EXPECT_EQ(f.call(0, 17)->extractedFileName, u"QX700007.Rcv"_s);
    EXPECT_FALSE(record.load({0, 17}).has_value());
}

enum class TakenOut { Cleared, Parked };

struct TearCase {
    const char* name;
    int call; // of calls 1 to 40, whose entries fill three pages of the record (17 to a page)
    TakenOut how;
};

class TornRecordTest : public ExportRecoveryRecord, public ::testing::WithParamInterface<TearCase> {};

// A kill in the middle of the write that takes one entry out of the record (the pages of one write reach
// the file one after the other) loses none of the entries that stay: their renames may have been made.
TEST_P(TornRecordTest, KeepsEveryOtherEntry) {
    const TearCase& c = GetParam();
    const QString folder = f.dir.filePath(u"host/a folder whose name fills the record's pages/orders"_s);
    std::vector<PendingRename> entries;
    for (int n = 1; n <= 40; ++n) {
        const QString name = u"QX7%1"_s.arg(n + 100, 5, 10, QLatin1Char('0'));
        entries.push_back(
            {0, n, name + u".Rcv"_s, folder + u'/' + name + u".Tmp"_s, folder + u'/' + name + u".Rcv"_s});
    }
    ScriptedFileSystem tearing{stopTorn(FsOp::Overwrite, u"OrderFileRename.txt"_s, int(entries.size()) + 1),
                               stopTorn(FsOp::ReplaceDurably, u"OrderFileRename.txt"_s)};
    ExportRecovery record(tearing, f.programFolder());
    for (const PendingRename& entry : entries)
        ASSERT_TRUE(record.save(entry));
    ASSERT_GT(QFileInfo(record.recordPath()).size(), 8192);

    const PendingRename& takenOut = entries[c.call - 1];
    if (c.how == TakenOut::Cleared) {
        EXPECT_THROW(record.clear({0, c.call}), Stopped);
    } else {
        EXPECT_THROW(record.park(takenOut), Stopped);
    }

    const std::vector<PendingRename> left = ExportRecovery(*f.fs, f.programFolder()).loadAll();
    for (const PendingRename& entry : entries) {
        if (!(entry == takenOut)) {
            EXPECT_NE(std::find(left.begin(), left.end(), entry), left.end()) << entry.callNumber;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kills, TornRecordTest,
                         ::testing::Values(TearCase{"FirstCleared", 1, TakenOut::Cleared},
                                           TearCase{"MiddleCleared", 8, TakenOut::Cleared},
                                           TearCase{"LastCleared", 40, TakenOut::Cleared},
                                           TearCase{"FirstParked", 1, TakenOut::Parked}),
                         RowName());

enum class FileStep { Rename, Write };

struct NumberCase {
    const char* name;
    int lastSeqNum;   // before the first pass
    int killedAtFile; // 0: the pass ends normally
    FileStep step;
    const char* saved;   // LastSeqNum in the settings file when the process stops
    const char* resumed; // the name of the next pass's first file
};

class OrderNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(OrderNumberTest, NoNumberIsGivenOutTwiceWhereverThePassStops) {
    const NumberCase& c = GetParam();
    ProgramFixture f;
    f.ctx.settings.systemId = 1;
    f.ctx.settings.lastSeqNum = static_cast<qint16>(c.lastSeqNum);
    f.settingsStore->save(f.ctx.settings);
    const int calls = c.killedAtFile == 0 ? 3 : c.killedAtFile;
    for (int n = 1; n <= calls + 1; ++n)
        f.addPendingCall(0, n);
    NetworkConnection network(f.ctx);
    f.store->calls().setExtracted(0, calls + 1, true); // the last call waits for the next pass
    // Stops at the rename, or at the write of the content, of the n-th order file.
    ScriptedFileSystem dying{c.step == FileStep::Rename
                                 ? stopBefore(FsOp::Rename, {}, c.killedAtFile)
                                 : stopBefore(FsOp::WriteDurably, u".Tmp"_s, c.killedAtFile)};
    if (c.killedAtFile == 0) {
        OrderExport(f.ctx, network).extractCalls();
    } else {
        f.ctx.fs = &dying;
        EXPECT_THROW(OrderExport(f.ctx, network).extractCalls(), Stopped);
        f.store->units().rollback();
    }
    EXPECT_EQ(f.savedSetting(u"QX7"_s, u"LastSeqNum"_s), QLatin1String(c.saved));

    f.ctx.fs = f.fs;
    f.ctx.settings.lastSeqNum = f.savedSetting(u"QX7"_s, u"LastSeqNum"_s).toShort();
    f.store->calls().setExtracted(0, calls + 1, false);
    OrderExport(f.ctx, network).extractCalls();
    // The call whose rename the kill stopped goes first, then the one kept back.
    const int firstSent = c.killedAtFile == 0 ? calls + 1 : c.killedAtFile;
    EXPECT_EQ(f.call(0, firstSent)->extractedFileName, QLatin1String(c.resumed));
    EXPECT_FALSE(QFile::exists(ExportRecovery(*f.fs, f.programFolder()).reservationPath()));
    EXPECT_EQ(f.auditTexts().filter(u"reserved order file numbers"_s).size(), c.killedAtFile == 0 ? 0 : 1);
    // The empty ".Tmp" a stop before the rename record leaves is removed with the block.
    EXPECT_TRUE(f.hostFiles().filter(u".Tmp"_s).isEmpty()) << f.hostFiles().join(u' ').toStdString();
    EXPECT_EQ(f.auditTexts().filter(u"removed 1 .Tmp file(s)"_s).size(),
              c.killedAtFile != 0 && c.step == FileStep::Write ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Stops, OrderNumberTest,
    ::testing::Values(NumberCase{"NoStop", 41, 0, FileStep::Rename, "44", "QX710045.Rcv"},
                      NumberCase{"RenameOfTheFirstFile", 41, 1, FileStep::Rename, "41", "QX710542.Rcv"},
                      NumberCase{"WriteOfTheFirstFile", 41, 1, FileStep::Write, "41", "QX710542.Rcv"},
                      NumberCase{"RenameInTheSecondBlock", 41, 501, FileStep::Rename, "541", "QX711042.Rcv"},
                      NumberCase{"WriteInTheSecondBlock", 41, 501, FileStep::Write, "541", "QX711042.Rcv"},
                      NumberCase{"WriteInABlockThatWraps", 9850, 1, FileStep::Write, "9850", "QX710451.Rcv"}),
    RowName());

enum class Damage { CutShort, ByteChanged };

struct DamageCase {
    const char* name;
    bool parked;
    Damage damage;
};

class DamagedRecordTest : public ExportRecoveryRecord, public ::testing::WithParamInterface<DamageCase> {};

// A record torn by a stop in the middle of its write is never taken for a whole one.
TEST_P(DamagedRecordTest, CountsAsNone) {
    ExportRecovery record(*f.fs, f.programFolder());
    const PendingRename pending{1, 17, u"QX710042.Rcv"_s, u"/a/QX710042.Tmp"_s, u"/a/QX710042.Rcv"_s};
    ASSERT_TRUE(record.save(pending));
    if (GetParam().parked) {
        ASSERT_TRUE(record.park(pending));
    }
    ASSERT_EQ(record.loadAll(), std::vector<PendingRename>{pending}) << "whole before the damage";

    const QString path = GetParam().parked ? record.parkedPath({1, 17}) : record.recordPath();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    if (GetParam().damage == Damage::CutShort) {
        file.resize(GetParam().parked ? file.size() - 6 : 20);
    } else {
        file.seek(1); // "17" becomes "18"
        file.write("8");
    }
    file.close();
    EXPECT_FALSE(record.load({1, 17}).has_value());
    EXPECT_FALSE(record.load({1, 18}).has_value());
    EXPECT_TRUE(record.loadAll().empty());
    if (GetParam().parked) {
        EXPECT_FALSE(QFile::exists(path)) << "dropped";
    }
}

INSTANTIATE_TEST_SUITE_P(Torn, DamagedRecordTest,
                         ::testing::Values(DamageCase{"CutShort", false, Damage::CutShort},
                                           DamageCase{"ByteChanged", false, Damage::ByteChanged},
                                           DamageCase{"ParkedCutShort", true, Damage::CutShort},
                                           DamageCase{"ParkedByteChanged", true, Damage::ByteChanged}),
                         RowName());

enum class Before { Nothing, LastCleared, MiddleCleared, Blanked, ReadWithAnEntryDamaged };

struct AddCase {
    const char* name;
    Before before;
};

class EntryAddedTest : public ExportRecoveryRecord, public ::testing::WithParamInterface<AddCase> {
protected:
    static PendingRename entry(int call) {
        const QString name = u"QX7%1"_s.arg(call + 100, 5, 10, QLatin1Char('0'));
        return {0, call, name + u".Rcv"_s, u"/host/orders/"_s + name + u".Tmp"_s,
                u"/host/orders/"_s + name + u".Rcv"_s};
    }
};

// An entry is added by writing it alone after the others. Whatever the record went through before, it
// reads back as the entries that stay and the new ones, and no entry taken out or left after a damaged
// one comes back.
TEST_P(EntryAddedTest, ReadsBackAsTheEntriesThatStayAndTheNewOnes) {
    auto record = std::make_unique<ExportRecovery>(*f.fs, f.programFolder());
    std::vector<PendingRename> expected;
    for (int call = 1; call <= 30; ++call) { // past the record's first block
        expected.push_back(entry(call));
        ASSERT_TRUE(record->save(expected.back()));
    }
    switch (GetParam().before) {
    case Before::Nothing:
        break;
    case Before::LastCleared:
        ASSERT_TRUE(record->clear({0, 30}));
        expected.pop_back();
        break;
    case Before::MiddleCleared:
        ASSERT_TRUE(record->clear({0, 8}));
        expected.erase(expected.begin() + 7);
        break;
    case Before::Blanked:
        record->clearRecord();
        expected.clear();
        break;
    case Before::ReadWithAnEntryDamaged: { // the entries after the damaged one are read no more
        record.reset();
        QFile file(ExportRecovery(*f.fs, f.programFolder()).recordPath());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const qsizetype at = file.readAll().indexOf("QX700110.Rcv");
        ASSERT_GT(at, 0);
        file.seek(at + 5); // the entry of call 10 names another file: its checksum no longer holds
        file.write("9");
        file.close();
        record = std::make_unique<ExportRecovery>(*f.fs, f.programFolder());
        expected.resize(9);
        ASSERT_EQ(record->loadAll(), expected);
        break;
    }
    }
    for (int call = 31; call <= 35; ++call) {
        expected.push_back(entry(call));
        ASSERT_TRUE(record->save(expected.back()));
    }
    record->closeRecord();
    EXPECT_EQ(ExportRecovery(*f.fs, f.programFolder()).loadAll(), expected);
}

INSTANTIATE_TEST_SUITE_P(Record, EntryAddedTest,
                         ::testing::Values(AddCase{"AfterOthers", Before::Nothing},
                                           AddCase{"AfterTheLastCleared", Before::LastCleared},
                                           AddCase{"AfterOneInTheMiddleCleared", Before::MiddleCleared},
                                           AddCase{"AfterTheRecordBlanked", Before::Blanked},
                                           AddCase{"AfterAReadStoppedByADamagedEntry",
                                                   Before::ReadWithAnEntryDamaged}),
                         RowName());

} // namespace
