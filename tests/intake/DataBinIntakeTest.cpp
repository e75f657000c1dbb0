#include "support/HostileEntries.h"
#include "support/IntakeFixture.h"
#include "support/ResultChecks.h"

#include "intake/CallFraming.h"
#include "intake/CallJudgement.h"
#include "intake/DataBinIntake.h"
#include "store/StoreProbe.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::test;
using namespace vrq::testdata;

namespace {

const QByteArray kOneItem = "&S123456&C12345678&I1234567890123&Q012+&";

using DataBinIntakeTest = IntakeTest;

// The file as a whole: what each state of DataBin.Dat leads to.
struct FileStateCase {
    const char* name;
    QByteArray bytes;
    const char* entry; // the one entry of type F, C or W, or ""
    bool datStays;
    bool badExists;
    int callsStored;
    qint16 dataBinFormat = 0;
};

class FileStateTest : public DataBinIntakeTest, public ::testing::WithParamInterface<FileStateCase> {};

QByteArray padded(QByteArray bytes, int size) {
    return bytes + QByteArray(size - bytes.size(), 'x');
}

TEST_P(FileStateTest, EachStateEndsAsDescribed) {
    const FileStateCase& c = GetParam();
    env.ctx.settings.dataBinFormat = c.dataBinFormat;
    takeIn(c.bytes);
    const QStringList audit = env.auditTexts().filter(QRegularExpression(u"^[FCW]\\|"_s));
    EXPECT_EQ(audit, *c.entry ? QStringList{QString::fromLatin1(c.entry)} : QStringList());
    EXPECT_EQ(QFile::exists(env.dataBinFile()), c.datStays);
    EXPECT_EQ(QFile::exists(env.dataBinFile(u"DataBin.Bad"_s)), c.badExists);
    EXPECT_EQ(int(env.store->calls().allCalls().size()), c.callsStored);
    if (c.datStays && c.bytes.size() > 6) {
        EXPECT_EQ(ProgramFixture::readFile(env.dataBinFile()).at(6), c.bytes.at(6)) << "the lock as found";
    }
}

QByteArray nullHeader() {
    HeaderFields h;
    h.null = true;
    return callHeaderBlock(h);
}

INSTANTIATE_TEST_SUITE_P(
    States, FileStateTest,
    ::testing::Values(
        FileStateCase{"empty", QByteArray(), "", true, false, 0},
        FileStateCase{"short255", padded(fileHeader(), 255), "F|File too short.  Retry later.", true, false,
                      0},
        FileStateCase{"exactly256NoCalls", padded(fileHeader(), 256),
                      "W|DataBin.Dat exists, but contains no calls.", true, false, 0},
        FileStateCase{"headerless", makeCall(4, kOneItem),
                      "F|Missing file header, but found call header - continuing.", false, false, 1},
        FileStateCase{"junkHeader", padded("JUNKID", 600),
                      "F|Missing file header.  Renamed DataBin.Dat to DataBin.Bad.", false, true, 0},
        FileStateCase{"lowerCaseCallId", fileHeader() + makeCall(4, kOneItem).replace("BCHFID", "bchfid"), "",
                      false, false, 1},
        FileStateCase{"nullHeaderSkipped", fileHeader() + nullHeader() + makeCall(4, kOneItem),
                      "F|Null call header, skipping forward to the next call.", false, false, 1},
        // Windows start at positions 8 (bytes 8..519), 508, 1008 ...: a header at position 516 has only
        // "BCHF" in the first window and is found in the second.
        FileStateCase{"headerSplitAcrossTwoWindows",
                      fileHeader() + QByteArray(515 - 7, ' ') + makeCall(21, kOneItem), "", false, false, 1},
        FileStateCase{"dataBinFormat3TakesNoCalls", fileHeader() + makeCall(12, kOneItem),
                      "W|DataBin.Dat exists, but contains no calls.", true, false, 0, 3}),
    test::RowName());

// No DataBin.Dat, and then no DataBin folder with calls switched off: nothing to take, nobody to tell.
TEST_F(DataBinIntakeTest, AMissingFileOrAMissingFolderWithCallsSwitchedOffDoesNothing) {
    intake.run();
    env.ctx.settings.enableCalls = false;
    ASSERT_TRUE(QDir(env.makeFolder(u"dcs"_s)).removeRecursively());
    intake.run();
    EXPECT_TRUE(env.auditTexts().isEmpty());
    EXPECT_EQ(env.ctx.status.failedSteps, 0);
    EXPECT_EQ(env.ctx.settings.dataBinPath, env.makeFolder(u"dcs"_s));
}

// Where the file goes: the audit copy of the number NextDataBinNum, DataBin.Bad for a file without
// header. A name already used keeps the earlier file: the file takes the next free name with a "W" entry
// naming both, and the audit numbering goes on after the number used.
struct TakenNameCase {
    const char* name;
    bool junkHeader; // the file goes to DataBin.Bad, else to its audit copy
    int nextDataBinNum;
    QStringList taken; // "Audit/..." below the program folder, else in the DataBin folder
    const char* used;
    int nextAfter;
};

class TakenNameTest : public DataBinIntakeTest, public ::testing::WithParamInterface<TakenNameCase> {};

QStringList auditCopies(int first, int count) {
    QStringList names;
    for (int number = first; number < first + count; ++number)
        names << u"Audit/Databin.%1"_s.arg(number % 1000, 3, 10, QLatin1Char('0'));
    return names;
}

TEST_P(TakenNameTest, TheEarlierFileIsKept) {
    const TakenNameCase& c = GetParam();
    auto place = [&](const QString& name) {
        return name.startsWith("Audit/"_L1) ? QDir(env.programFolder()).filePath(name)
                                            : env.makeFolder(u"dcs"_s) + name;
    };
    QDir(env.programFolder()).mkpath(u"Audit"_s);
    for (const QString& name : c.taken)
        ASSERT_TRUE(ProgramFixture::writeFile(place(name), "old " + name.toLatin1()));
    env.ctx.settings.nextDataBinNum = static_cast<qint16>(c.nextDataBinNum);
    const QByteArray bytes =
        c.junkHeader ? padded("JUNKID", 600) : fileHeader() + makeCall(12, kOneItem) + makeCall(13, kOneItem);
    takeIn(bytes);

    EXPECT_FALSE(QFile::exists(env.dataBinFile()));
    for (const QString& name : c.taken)
        EXPECT_EQ(ProgramFixture::readFile(place(name)), "old " + name.toLatin1()) << name.toStdString();
    const QString used = QString::fromLatin1(c.used);
    // The lock this pass set is released in the copy, so that a copy fed back is taken at once.
    EXPECT_EQ(ProgramFixture::readFile(place(used)), bytes);
    const QString warning = c.junkHeader ? u"DataBin.Bad already exists; DataBin.Dat was renamed to "_s
                                         : auditCopies(c.nextDataBinNum, 1).first() +
                                               u" already exists; DataBin.Dat was moved to "_s;
    EXPECT_EQ(env.auditMessages(u"W"_s),
              c.taken.isEmpty() ? QStringList() : QStringList{warning + used + u'.'});
    const QString moved = c.junkHeader ? u"Missing file header.  Renamed DataBin.Dat to %1."_s.arg(used)
                                       : u"DataBin%1 contains call number(s): 12, 13"_s.arg(used.mid(13));
    const QStringList entries = env.auditMessages(QString::fromLatin1(c.junkHeader ? "F" : "I"));
    EXPECT_EQ(entries.value(entries.size() - 1), moved);
    EXPECT_EQ(env.ctx.settings.nextDataBinNum, c.nextAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Names, TakenNameTest,
    ::testing::Values(TakenNameCase{"nothingTaken", false, 998, {}, "Audit/Databin.998", 999},
                      TakenNameCase{"lastNumberWrapsToTheFirst", false, 999, {}, "Audit/Databin.999", 0},
                      TakenNameCase{"auditCopyTaken", false, 0, auditCopies(0, 1), "Audit/Databin.001", 2},
                      TakenNameCase{"auditCopiesTakenAcrossTheWrap", false, 998, auditCopies(998, 3),
                                    "Audit/Databin.001", 2},
                      TakenNameCase{"lastAuditCopyTakenWrapsToTheFirst", false, 999, auditCopies(999, 1),
                                    "Audit/Databin.000", 1},
                      TakenNameCase{"everyAuditCopyTaken", false, 5, auditCopies(0, 1000),
                                    "Audit/Databin.005.1", 6},
                      TakenNameCase{"badFileTaken", true, 0, {u"DataBin.Bad"_s}, "DataBin.Bad.1", 0}),
    test::RowName());

// A lock found with this program's note is its own (from a stopped pass) and cleared at once, but only
// while the file is as the note says: a note left behind after the unlock must not make a later upstream
// lock look like ours. Any other lock is honoured for thirty seconds, silently, then cleared. Each pass
// is a new intake, as each --once is a new process: the thirty seconds count across them.
enum class LockNote { None, Stamped, Unstamped, StampedButFileChangedSince, OtherPath };

struct LockNoteCase {
    const char* name;
    LockNote note;
};

class LockTest : public DataBinIntakeTest, public ::testing::WithParamInterface<LockNoteCase> {};

TEST_P(LockTest, IsClearedAtOnceOnlyWhileTheFileIsAsNotedElseAfterThirtySilentSeconds) {
    writeDataBin(fileHeader('Y') + makeCall(4, kOneItem));
    const QString path = QFileInfo(env.dataBinFile()).absoluteFilePath();
    QDateTime changed = QFileInfo(path).lastModified();
    QString note = path + u'\n' + QString::number(QFileInfo(path).size()) + u' ' +
                   QString::number(changed.toMSecsSinceEpoch());
    if (GetParam().note == LockNote::Unstamped)
        note = path;
    if (GetParam().note == LockNote::OtherPath)
        note.replace(u"DataBin.Dat"_s, u"Other.Dat"_s);
    if (GetParam().note == LockNote::StampedButFileChangedSince) {
        QFile file(path); // the upstream program set its lock after the note was made
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(changed.addSecs(5), QFileDevice::FileModificationTime));
    }
    if (GetParam().note != LockNote::None) {
        ASSERT_TRUE(ProgramFixture::writeFile(env.programFolder() + u"/DataBinLock.txt"_s, note.toUtf8()));
    }

    const auto pass = [&] { DataBinIntake(env.ctx).run(); };
    pass();
    const bool ours = GetParam().note == LockNote::Stamped || GetParam().note == LockNote::Unstamped;
    if (!ours) {
        env.clock.advanceMs(29'000);
        pass();
        EXPECT_TRUE(env.store->calls().allCalls().empty());
        EXPECT_TRUE(env.auditTexts().isEmpty()) << "nothing is logged while waiting";
        env.clock.advanceMs(1'000);
        pass();
    }
    EXPECT_EQ(env.store->calls().allCalls().size(), 1u);
    EXPECT_EQ(env.auditMessages(u"C"_s), QStringList{ours ? u"DataBin lock of a stopped pass cleared"_s
                                                          : u"DataBin lock cleared automatically"_s});
    EXPECT_FALSE(QFile::exists(env.dataBinFile()));
    EXPECT_EQ(QDir(env.programFolder()).entryList({u"DataBinLock*"_s}), QStringList())
        << "no note is left for a later lock";
}

INSTANTIATE_TEST_SUITE_P(
    Notes, LockTest,
    ::testing::Values(LockNoteCase{"none", LockNote::None}, LockNoteCase{"stamped", LockNote::Stamped},
                      LockNoteCase{"unstamped", LockNote::Unstamped},
                      LockNoteCase{"stampedButFileChangedSince", LockNote::StampedButFileChangedSince},
                      LockNoteCase{"otherPath", LockNote::OtherPath}),
    test::RowName());

// The already-stored check: the three states of a stored call and a call of the scanned source.
struct DuplicateCase {
    const char* name;
    int source;
    bool complete;
    bool extracted;
    const char* message; // empty: the call is taken
};

class DuplicateTest : public DataBinIntakeTest, public ::testing::WithParamInterface<DuplicateCase> {};

TEST_P(DuplicateTest, StoredCallsAreSkippedButListed) {
    const DuplicateCase& c = GetParam();
    env.addCall(c.source, 17, 0, /*good*/ false, c.complete, c.extracted);
    takeIn(fileHeader() + makeCall(17, kOneItem));
    EXPECT_EQ(env.auditMessages(u"W"_s),
              *c.message ? QStringList{QString::fromLatin1(c.message)} : QStringList());
    EXPECT_EQ(env.store->calls().ordersOfCall(0, 17).size(), *c.message ? 0u : 1u)
        << "a skipped call stores no order";
    EXPECT_EQ(env.auditMessages(u"I"_s).last(), u"DataBin.000 contains call number(s): 17"_s);
}

INSTANTIATE_TEST_SUITE_P(
    States, DuplicateTest,
    ::testing::Values(
        DuplicateCase{"complete", 0, true, false,
                      "Call # 17 already processed.  Skipping forward to the next call."},
        DuplicateCase{"extracted", 0, false, true,
                      "Call # 17 already extracted.  Skipping forward to the next call."},
        DuplicateCase{
            "savedOnly", 0, false, false,
            "Call # 17 already saved, but not completed nor extracted.  Ignoring and skipping forward to the "
            "next call."},
        DuplicateCase{"scannedSourceIsNoDuplicate", 1, true, false, ""}),
    test::RowName());

// Judging: the reason code and bad data of each status text. Only a flag of exactly "Y" makes a call
// good; any other flag (not only "N") makes it bad.
struct JudgeCase {
    const char* name;
    QString status;
    int reason;
    std::optional<int> badData;
    char flag = 'N';
};

class JudgeTest : public DataBinIntakeTest, public ::testing::WithParamInterface<JudgeCase> {};

TEST_P(JudgeTest, StatusTextGivesReason) {
    const JudgeCase& c = GetParam();
    takeIn(fileHeader() + makeCall(9, kOneItem, c.flag, c.status));
    const auto calls = env.store->calls().allCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(fieldLine("bad", calls[0].goodCall, calls[0].complete, calls[0].badReason, calls[0].badData),
              fieldLine("bad", false, true, c.reason, c.badData));
    EXPECT_EQ(env.store->calls().allItems().size(), 1u) << "a bad call's orders are stored all the same";
    const auto audit = env.store->audit().allAudit();
    const auto bad = std::ranges::find(audit, u"B"_s, &AuditRow::type);
    ASSERT_NE(bad, audit.end());
    EXPECT_TRUE(bad->msg.startsWith(u"Bad Call : #00009 Line:03 Bytes:0000040 Msg: "_s +
                                    CallJudgement::adjustedStatusText(fixedWidth(c.status, 107)).left(20)));
    EXPECT_EQ(bad->eventDnt, QDateTime(QDate(2026, 12, 5), QTime(8, 15, 0))) << "the call's own time";
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, JudgeTest,
    ::testing::Values(JudgeCase{"r1", statusTextFor(1), 1, std::nullopt},
                      JudgeCase{"r2", statusTextFor(2, 37), 2, 37},
                      JudgeCase{"r4", statusTextFor(4, 12), 4, 12},
                      JudgeCase{"other", statusTextFor(999), 999, std::nullopt},
                      JudgeCase{"empty", QString(), 999, std::nullopt},
                      JudgeCase{"attempting",
                                u"Attempting"_s + QString(46, u'.') + u"Parity and/or errors (37)"_s, 4, 37},
                      JudgeCase{"code2WithoutParenthesis", u"ERROR...Not enough"_s, 2, 0},
                      JudgeCase{"lowerCaseYFlag", statusTextFor(3), 3, std::nullopt, 'y'},
                      JudgeCase{"blankFlag", statusTextFor(3), 3, std::nullopt, ' '}),
    test::RowName());

// The status line counts the day's calls once from the store and then adds what the run takes: each
// change it hears of must find the store and the run's counts agreeing (a group counted call by call
// after its commit made the line count the group twice).
class DayCountingUserInterface : public RecordingUserInterface {
public:
    explicit DayCountingUserInterface(ProgramFixture& env) : m_env(env) {}
    void statusChanged() override {
        const DayCallCounts stored = m_env.store->audit().callCountsOfDay(m_env.clock.now().date());
        const RunStatus& run = m_env.ctx.status;
        EXPECT_EQ(stored.good, run.callsGood);
        EXPECT_EQ(stored.bad, run.callsBad);
        ++changes;
    }
    int changes = 0;

private:
    ProgramFixture& m_env;
};

TEST_F(DataBinIntakeTest, AGeneratedMixMatchesItsTruthAndEveryStatusChangeFindsTheCountsAlike) {
    DayCountingUserInterface ui(env);
    env.ctx.ui = &ui;
    const auto truth = writeGenerated({.calls = 40,
                                       .badEvery = 3,
                                       .nullEvery = 7,
                                       .duplicateEvery = 9,
                                       .malformedEvery = 5,
                                       .truncateLast = true});
    intake.run();
    expectStoreMatchesTruth(*env.store, truth);
    EXPECT_FALSE(QFile::exists(env.dataBinFile()));
    const auto judged = [&](bool good) {
        return std::count_if(truth.begin(), truth.end(),
                             [&](const CallTruth& call) { return call.stored && call.goodCall == good; });
    };
    EXPECT_EQ(env.ctx.status.callsGood, judged(true));
    EXPECT_EQ(env.ctx.status.callsBad, judged(false));
    EXPECT_EQ(env.ctx.status.lastIntake, env.clock.now());
    EXPECT_GT(ui.changes, 0);
}

// Durability: a crash leaves no half call and the next pass takes the rest whole.
struct CrashCase {
    const char* name;
    bool insideCall;
};

class CrashTest : public DataBinIntakeTest, public ::testing::WithParamInterface<CrashCase> {};

struct Crash {};

TEST_P(CrashTest, NothingIsLostOrDoubled) {
    const auto truth = writeGenerated({.calls = CallFraming::kCallsPerGroup * 2 + 10, .badEvery = 4});
    const int crashingCall = CallFraming::kCallsPerGroup + 3; // in the second group
    auto crash = [&](int callNumber) {
        if (callNumber == crashingCall)
            throw Crash{};
    };
    (GetParam().insideCall ? intake.framing().hooks.beforeCommit : intake.framing().hooks.afterCommit) =
        crash;
    EXPECT_THROW(intake.run(), Crash);
    env.reopenStore(); // the process is gone: what was not committed is lost
    const std::vector<CallRow> kept = env.store->calls().allCalls();
    ASSERT_EQ(kept.size(), static_cast<size_t>(CallFraming::kCallsPerGroup)) << "the first group, whole";
    for (const CallRow& call : kept)
        EXPECT_TRUE(call.complete) << call.callNumber;
    env.clock.advanceMs(31'000); // the lock the crashed pass left is stale by now
    DataBinIntake restarted(env.ctx);
    restarted.run();
    restarted.run();
    env.clock.advanceMs(31'000);
    restarted.run();
    expectStoreMatchesTruth(*env.store, truth);
    EXPECT_FALSE(QFile::exists(env.dataBinFile()));
}

INSTANTIATE_TEST_SUITE_P(Points, CrashTest,
                         ::testing::Values(CrashCase{"betweenCalls", false}, CrashCase{"insideACall", true}),
                         test::RowName());

TEST_F(DataBinIntakeTest, AFileThatGrewDuringThePassStaysAndIsFinishedNextPass) {
    auto truth = writeGenerated({.calls = 3});
    std::vector<CallTruth> moreTruth;
    const QByteArray appended =
        generateDataBin({.calls = 2, .headerless = true, .firstCallNumber = 4}, &moreTruth);
    intake.framing().hooks.afterCommit = [&](int callNumber) {
        if (callNumber == 2) {
            QFile f(env.dataBinFile());
            ASSERT_TRUE(f.open(QIODevice::Append));
            f.write(appended);
        }
    };
    intake.run();
    EXPECT_TRUE(QFile::exists(env.dataBinFile()));
    EXPECT_EQ(ProgramFixture::readFile(env.dataBinFile()).at(6), 'N') << "unlocked for the upstream program";
    EXPECT_EQ(env.store->calls().allCalls().size(), 3u);
    intake.framing().hooks.afterCommit = nullptr;
    intake.run();
    EXPECT_FALSE(QFile::exists(env.dataBinFile()));
    truth.insert(truth.end(), moreTruth.begin(), moreTruth.end());
    expectStoreMatchesTruth(*env.store, truth);
    EXPECT_EQ(env.auditMessages(u"W"_s).size(), 3) << "the second pass skips what the first took";
}

// A commit that fails (a full disk): of one call, of a call after others of its group (which the store
// in a file undoes with it), or of a group of calls whose own commits went through. The calls are
// neither counted nor silent, and the whole file is taken at the next pass.
struct CommitFailureCase {
    const char* name;
    int calls;
    bool ofTheGroup;
    int failingCall; // whose own commit fails
    int entries;     // that say calls could not be stored
};

class CommitFailureTest : public DataBinIntakeTest,
                          public ::testing::WithParamInterface<CommitFailureCase> {};

TEST_P(CommitFailureTest, IsReportedAndTheFileTakenAgain) {
    const CommitFailureCase& c = GetParam();
    QByteArray bytes = fileHeader();
    for (int number = 1; number <= c.calls; ++number)
        bytes += makeCall(number, kOneItem);
    writeDataBin(bytes);
    if (c.ofTheGroup) {
        intake.framing().hooks.afterCommit = [&](int number) {
            // Undone behind the store's back: the group's own commit then fails.
            if (number == CallFraming::kCallsPerGroup) {
                EXPECT_TRUE(succeeded(StoreProbe(*env.store).exec(u"ROLLBACK"_s)));
            }
        };
    } else {
        intake.framing().hooks.beforeCommit = [&](int number) {
            if (number == c.failingCall)
                env.store->units().rollback();
        };
    }
    intake.run();
    EXPECT_TRUE(env.store->calls().allCalls().empty());
    EXPECT_EQ(env.ctx.status.callsGood, 0) << "calls that were not stored are not counted";
    EXPECT_EQ(env.ctx.status.failedSteps, 1);
    EXPECT_EQ(env.auditMessages(u"E"_s).filter(u"could not be stored"_s).size(), c.entries);
    EXPECT_TRUE(QFile::exists(env.dataBinFile()));

    intake.framing().hooks = {};
    intake.run();
    EXPECT_EQ(env.store->calls().allCalls().size(), std::size_t(c.calls));
    EXPECT_EQ(env.ctx.status.callsGood, c.calls);
    EXPECT_FALSE(QFile::exists(env.dataBinFile()));
}

INSTANTIATE_TEST_SUITE_P(Commits, CommitFailureTest,
                         ::testing::Values(CommitFailureCase{"ofACall", 1, false, 1, 1},
                                           CommitFailureCase{"ofACallAfterOthersOfItsGroup", 5, false, 3, 2},
                                           CommitFailureCase{"ofAGroup", CallFraming::kCallsPerGroup + 1,
                                                             true, 0, 1}),
                         test::RowName());

// A message longer than the store's column is refused with an entry; the call, its items and the
// calls after it are stored all the same.
TEST_F(DataBinIntakeTest, AMessageTheStoreRefusesLeavesTheRestOfTheCallAndFile) {
    const QByteArray longMessage = "M" + QByteArray(300, 'm') + "&"; // for the order saved before it
    takeIn(fileHeader() + makeCall(9, kOneItem + longMessage) + makeCall(10, kOneItem));
    ASSERT_EQ(env.store->calls().allCalls().size(), 2u);
    EXPECT_EQ(fieldLine("call 9", env.call(0, 9)->complete, env.call(0, 9)->numberOfOrders,
                        int(env.store->calls().itemsOfOrder(0, 9, 1).size())),
              fieldLine("call 9", true, 1, 1));
    const QStringList errors = env.auditMessages(u"E"_s);
    EXPECT_TRUE(errors.size() == 1 && errors[0].contains("Message"_L1)) << errors.join(u'\n').toStdString();
    EXPECT_FALSE(QFile::exists(env.dataBinFile()));
}

// A store that keeps no writes (opened read-only, as the engine opens a file this user cannot write)
// takes no call: the file stays as it is, lock byte and all, and the person hears of it once.
TEST_F(DataBinIntakeTest, AStoreThatKeepsNoWritesLeavesTheFileAsItIsAndSaysSoOnce) {
    const QByteArray bytes = fileHeader() + makeCall(9, kOneItem);
    writeDataBin(bytes);
    const std::unique_ptr<Store> readOnly = openStoreFile(env.store->units().path(), StoreAccess::ReadOnly);
    ASSERT_TRUE(readOnly);
    AuditLog refusedLog(readOnly->audit(), env.clock, u'F');
    env.ctx.store = readOnly.get();
    env.ctx.audit = &refusedLog;
    intake.run();
    intake.run();
    EXPECT_EQ(ProgramFixture::readFile(env.dataBinFile()), bytes);
    EXPECT_EQ(env.ui.messages.filter(u"No call is taken in or sent: "_s).size(), 1);
    EXPECT_TRUE(env.ctx.status.storeError.contains("cannot be written"_L1))
        << env.ctx.status.storeError.toStdString();
    EXPECT_EQ(env.ctx.status.failedSteps, 1);

    env.ctx.store = env.store.get(); // writable again (the program started anew)
    env.ctx.audit = env.audit.get();
    intake.run();
    EXPECT_EQ(env.store->calls().allCalls().size(), 1u);
    EXPECT_FALSE(QFile::exists(env.dataBinFile()));
    EXPECT_TRUE(env.ctx.status.storeError.isEmpty());
}

// The move of a taken file fails (Audit a file, not a folder; a folder named DataBin.Bak): the file
// stays unlocked, so that the upstream program goes on and a later pass, a new process, moves it.
struct MoveFailureCase {
    const char* name;
    bool dataBinAudit;
};

class MoveFailureTest : public DataBinIntakeTest, public ::testing::WithParamInterface<MoveFailureCase> {};

TEST_P(MoveFailureTest, LeavesTheFileUnlockedForTheNextPass) {
    const MoveFailureCase& c = GetParam();
    env.ctx.settings.dataBinAudit = c.dataBinAudit;
    const QString obstacle =
        c.dataBinAudit ? QDir(env.programFolder()).filePath(u"Audit"_s) : env.dataBinFile(u"DataBin.Bak"_s);
    if (c.dataBinAudit)
        ASSERT_TRUE(ProgramFixture::writeFile(obstacle, "not a folder"));
    else
        ASSERT_TRUE(QDir().mkpath(obstacle + u"/kept"_s));
    takeIn(fileHeader() + makeCall(9, kOneItem));
    EXPECT_EQ(ProgramFixture::readFile(env.dataBinFile()).at(6), 'N');
    EXPECT_EQ(env.auditMessages(u"E"_s).filter(u"DataBin.Dat could not be moved to "_s).size(), 1);
    EXPECT_EQ(env.ctx.status.failedSteps, 1);

    ASSERT_TRUE(c.dataBinAudit ? QFile::remove(obstacle) : QDir(obstacle).removeRecursively());
    DataBinIntake(env.ctx).run();
    EXPECT_FALSE(QFile::exists(env.dataBinFile()));
    EXPECT_EQ(env.store->calls().allCalls().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Targets, MoveFailureTest,
                         ::testing::Values(MoveFailureCase{"auditCopy", true},
                                           MoveFailureCase{"dataBinBak", false}),
                         RowName());

// DataBin.Dat out of reach: a folder in its place (it cannot be opened as a file, even by root), a DataBin
// folder that does not exist (a setting naming another folder than the upstream program's), or an entry
// that is no file (a link to a file elsewhere, a link to nothing, a FIFO). Reported once while it lasts,
// never waited on, the entry neither read, locked nor moved; its calls are taken once it is a file again.
enum class Obstacle { FolderInItsPlace, FolderMissing, LinkToAFile, LinkToNothing, Fifo };

struct UnreachableCase {
    const char* name;
    Obstacle obstacle;
    const char* entryHolds;
    int backAgainEntries;
};

class UnreachableDataBinTest : public DataBinIntakeTest,
                               public ::testing::WithParamInterface<UnreachableCase> {};

TEST_P(UnreachableDataBinTest, IsReportedOnceUntilItCanBeOpened) {
    const UnreachableCase& c = GetParam();
    const QString elsewhere = env.path(u"elsewhere/DataBin.Dat"_s);
    const QByteArray calls = fileHeader() + makeCall(9, kOneItem);
    ASSERT_TRUE(QDir().mkpath(env.path(u"elsewhere"_s)) && ProgramFixture::writeFile(elsewhere, calls));
    const QByteArray dataBin = QFile::encodeName(env.dataBinFile());
    const bool made =
        c.obstacle == Obstacle::FolderMissing      ? QDir(env.path(QString())).rename(u"dcs"_s, u"dcs-away"_s)
        : c.obstacle == Obstacle::FolderInItsPlace ? QDir().mkpath(env.dataBinFile())
        : c.obstacle == Obstacle::LinkToAFile      ? QFile::link(elsewhere, env.dataBinFile())
        : c.obstacle == Obstacle::LinkToNothing    ? QFile::link(elsewhere + u".gone"_s, env.dataBinFile())
                                                   : makeFifo(dataBin);
    ASSERT_TRUE(made);
    const auto kind = [&] {
        struct stat info {};
        return ::lstat(dataBin.constData(), &info) == 0 ? int(info.st_mode & S_IFMT) : -1;
    };
    const int kindBefore = kind();
    {
        HangGuard guard;
        intake.run();
        intake.run();
    }
    const QStringList errors = env.auditTexts().filter(u"DataBin.Dat cannot be opened"_s);
    ASSERT_EQ(errors.size(), 1) << "reported once while it lasts";
    EXPECT_TRUE(errors[0].startsWith(u"E|"_s) && errors[0].contains(QLatin1String(c.entryHolds)))
        << errors[0].toStdString();
    EXPECT_EQ(env.ctx.status.failedSteps, 1);
    EXPECT_FALSE(env.ctx.status.dataBinError.isEmpty());
    EXPECT_TRUE(env.store->calls().allCalls().empty());
    EXPECT_EQ(ProgramFixture::readFile(elsewhere), calls);
    EXPECT_EQ(kind(), kindBefore) << "the entry stays as it was";

    ASSERT_TRUE(c.obstacle == Obstacle::FolderMissing
                    ? QDir(env.path(QString())).rename(u"dcs-away"_s, u"dcs"_s)
                : c.obstacle == Obstacle::FolderInItsPlace ? QDir(env.dataBinFile()).removeRecursively()
                                                           : ::unlink(dataBin.constData()) == 0);
    takeIn(calls);
    EXPECT_EQ(env.store->calls().allCalls().size(), 1u);
    EXPECT_TRUE(env.ctx.status.dataBinError.isEmpty());
    EXPECT_EQ(env.auditTexts().filter(u"DataBin.Dat can be opened again"_s).size(), c.backAgainEntries);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, UnreachableDataBinTest,
    ::testing::Values(UnreachableCase{"aFolderInItsPlace", Obstacle::FolderInItsPlace,
                                      "for reading and writing (it is a folder, not a file", 1},
                      UnreachableCase{"itsFolderMissing", Obstacle::FolderMissing,
                                      "/dcs/ does not exist); its calls wait until it can be.", 0},
                      UnreachableCase{"linkToAFile", Obstacle::LinkToAFile,
                                      "for reading and writing (it is a symbolic link", 1},
                      UnreachableCase{"linkToNothing", Obstacle::LinkToNothing,
                                      "for reading and writing (it is a symbolic link", 1},
                      UnreachableCase{"fifo", Obstacle::Fifo, "for reading and writing (it is a FIFO", 1}),
    RowName());

} // namespace
