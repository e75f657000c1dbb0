// The order file numbers: which number comes next, what the host folder holds back, a number given back,
// the blocks of reserved numbers and the block a stopped pass left behind.
#include "export/OrderFileNumbers.h"
#include "export/ExportRecovery.h"
#include "support/ProgramFixture.h"
#include "support/ScriptedFileSystem.h"
#include "support/TestNames.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::test;

namespace {

QString fileName(int number, const char* extension) {
    return u"QX77%1.%2"_s.arg(number, 4, 10, QLatin1Char('0')).arg(QLatin1String(extension));
}

class OrderFileNumbersTest : public ::testing::Test {
protected:
    explicit OrderFileNumbersTest(int lastSeqNum = 41) {
        f.ctx.settings.systemId = 7;
        f.ctx.settings.lastSeqNum = static_cast<qint16>(lastSeqNum);
    }
    QString folder() const { return f.hostFolder() + u'/'; }
    void putInHostFolder(const QString& name) {
        ASSERT_TRUE(ProgramFixture::writeFile(f.hostFile(name), {}));
    }
    // Takes the next number as the export does; how many were passed over, or -1 when none is free.
    int takeNext() {
        const std::optional<int> passOver = numbers.numbersToPassOver(folder());
        if (!passOver)
            return -1;
        EXPECT_TRUE(numbers.take(*passOver).ok());
        return *passOver;
    }
    QString savedLastSeqNum() const { return f.savedSetting(u"QX7"_s, u"LastSeqNum"_s); }

    ProgramFixture f;
    ExportRecovery recovery{*f.fs, f.programFolder()};
    OrderFileNumbers numbers{f.ctx, recovery};
};

// One step of a row: take the next number (it and how many were passed over are expected), give the
// number just taken back (LastSeqNum is then expected), begin a new pass, or a ".Rcv" appears in the
// host folder.
struct Step {
    enum class Kind { Take, GiveBack, NewPass, Appears } kind;
    int number = 0;
    int passedOver = 0;
};
Step take(int number, int passedOver = 0) {
    return {Step::Kind::Take, number, passedOver};
}
Step giveBack(int lastSeqNum) {
    return {Step::Kind::GiveBack, lastSeqNum};
}
Step appears(int number) {
    return {Step::Kind::Appears, number};
}
const Step kNewPass{Step::Kind::NewPass};

struct NumberCase {
    const char* name;
    int lastSeqNum;
    QStringList inHostFolder;
    std::vector<Step> steps;
};

class OrderFileNumberTest : public OrderFileNumbersTest, public ::testing::WithParamInterface<NumberCase> {
protected:
    OrderFileNumberTest() : OrderFileNumbersTest(GetParam().lastSeqNum) {}
};

TEST_P(OrderFileNumberTest, TakesTheNextNumberWhoseFileIsNotInTheHostFolder) {
    for (const QString& name : GetParam().inHostFolder)
        putInHostFolder(name);
    int stepNumber = 0;
    for (const Step& step : GetParam().steps) {
        SCOPED_TRACE(::testing::Message() << "step " << ++stepNumber);
        switch (step.kind) {
        case Step::Kind::Take:
            EXPECT_EQ(takeNext(), step.passedOver);
            EXPECT_EQ(numbers.last(), step.number);
            EXPECT_EQ(f.ctx.settings.lastSeqNum, step.number);
            break;
        case Step::Kind::GiveBack:
            numbers.giveBack();
            EXPECT_EQ(f.ctx.settings.lastSeqNum, step.number);
            break;
        case Step::Kind::NewPass:
            numbers.startPass();
            break;
        case Step::Kind::Appears:
            putInHostFolder(fileName(step.number, "Rcv"));
            break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OrderFileNumberTest,
    ::testing::Values(
        NumberCase{"NextNumber", 41, {}, {take(42), take(43)}},
        NumberCase{"WrapsAfter9900", 9899, {}, {take(9900), take(1)}},
        NumberCase{"AnOutOfRangeNumberStartsAgainAtOne", 12000, {}, {take(1)}},
        NumberCase{"WaitingFilesArePassedOver", 41, {u"QX770042.Rcv"_s, u"qx770043.rcv"_s}, {take(44, 2)}},
        NumberCase{"WaitingFilesAcrossTheWrap", 9899, {u"QX779900.Rcv"_s, u"QX770001.Rcv"_s}, {take(2, 2)}},
        NumberCase{
            "OnlyThisSystemsRcvFilesHoldANumber",
            41,
            {u"QX780042.Rcv"_s, u"QX770042.Tmp"_s, u"QX770042.Rcv.old"_s, u"QX77004X.Rcv"_s, u"QX7742.Rcv"_s},
            {take(42)}},
        NumberCase{"AGivenBackNumberIsTakenAgainByTheNextPass",
                   41,
                   {},
                   {take(42), giveBack(41), kNewPass, take(42)}},
        NumberCase{"NumbersPassedOverStayPassedOverWhenOneIsGivenBack",
                   41,
                   {u"QX770042.Rcv"_s},
                   {take(43, 1), giveBack(42), kNewPass, take(43)}},
        NumberCase{"TheHostFolderIsListedOncePerPass",
                   41,
                   {},
                   {take(42), appears(43), take(43), giveBack(42), kNewPass, take(44, 1)}}),
    RowName());

TEST_F(OrderFileNumbersTest, WithEveryNumberWaitingNoneIsFree) {
    for (int number = 1; number <= 9900; ++number)
        putInHostFolder(fileName(number, "Rcv"));
    EXPECT_EQ(takeNext(), -1);
    EXPECT_EQ(numbers.last(), 41);
}

// The numbers are reserved a block at a time; LastSeqNum is stored before a new block is reserved (or,
// from a fresh start, when the first number lies past waiting files), and at the end of the pass. A
// row's steps, a word each: "tN" takes N numbers, "g" gives the last one back, "p" begins a new pass.
struct BlockCase {
    const char* name;
    int firstWaiting; // the ".Rcv" files waiting from this number ...
    int lastWaiting;  // ... to this one (0: none)
    const char* steps;
    int last;
    const char* saved; // LastSeqNum as stored before the end of the pass ("": never stored)
    int reservedThrough;
};

class OrderFileBlockTest : public OrderFileNumbersTest, public ::testing::WithParamInterface<BlockCase> {};

TEST_P(OrderFileBlockTest, StoresLastSeqNumOncePerBlockOfNumbers) {
    const BlockCase& c = GetParam();
    for (int number = c.firstWaiting; c.lastWaiting > 0 && number <= c.lastWaiting; ++number)
        putInHostFolder(fileName(number, "Rcv"));
    for (const QString& step : QString::fromLatin1(c.steps).split(u' ')) {
        if (step == u"g"_s) {
            numbers.giveBack();
            continue;
        }
        if (step == u"p"_s) {
            numbers.startPass();
            continue;
        }
        for (int i = step.mid(1).toInt(); i > 0; --i)
            ASSERT_GE(takeNext(), 0);
    }
    EXPECT_EQ(numbers.last(), c.last);
    EXPECT_EQ(savedLastSeqNum(), QLatin1String(c.saved));
    EXPECT_EQ(recovery.reservedThrough(), c.reservedThrough);

    numbers.release(false);
    EXPECT_EQ(savedLastSeqNum(), QString::number(c.last)) << "stored at the end of the pass";
    EXPECT_EQ(recovery.reservedThrough(), std::nullopt) << "the block is given back";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OrderFileBlockTest,
    ::testing::Values(
        BlockCase{"TheFirstNumberReservesABlock", 0, 0, "t1", 42, "", 541},
        BlockCase{"AWholeBlockIsUsedWithoutStoringLastSeqNum", 0, 0, "t500", 541, "", 541},
        BlockCase{"TheNextBlockIsReservedAfterStoringLastSeqNum", 0, 0, "t501", 542, "541", 1041},
        BlockCase{"AGivenBackNumberReturnsToTheBlock", 0, 0, "t1 g p t500", 541, "", 541},
        BlockCase{"PassingOverAtAFreshStartStoresTheNumberPassedTo", 42, 43, "t1", 44, "43", 543},
        BlockCase{"PassingOverTheRestOfTheBlockReservesANewOne", 43, 541, "t2", 542, "541", 1041}),
    RowName());

TEST_F(OrderFileNumbersTest, AtTheEndOfAPassSavedSettingsAreNotStoredAgain) {
    takeNext();
    numbers.release(true);
    EXPECT_EQ(savedLastSeqNum(), QString());
    EXPECT_EQ(recovery.reservedThrough(), std::nullopt);
}

TEST_F(OrderFileNumbersTest, ANumberCannotBeTakenWhenItsBlockCannotBeReserved) {
    ScriptedFileSystem full{
        failing(FsOp::WriteDurably, QFileInfo(recovery.reservationPath()).fileName(), ENOSPC)};
    ExportRecovery failingRecovery(full, f.programFolder());
    OrderFileNumbers refused(f.ctx, failingRecovery);
    ASSERT_EQ(refused.numbersToPassOver(folder()), 0);
    const Result taken = refused.take(0);
    EXPECT_FALSE(taken.ok());
    EXPECT_EQ(taken.code, ENOSPC);
    EXPECT_EQ(refused.last(), 41) << "no number is used up";
}

// A pass stopped inside its block may have used any number of it: numbering goes on after the block,
// and the ".Tmp" files numbered inside it, which the stopped pass never renamed, are removed.
struct StoppedCase {
    const char* name;
    int lastSaved;
    int reservedThrough;
    std::vector<int> tmpFiles;
    std::vector<int> removed;
    bool hostFolderAway = false;
};

class OrderFileStoppedBlockTest : public OrderFileNumbersTest,
                                  public ::testing::WithParamInterface<StoppedCase> {
protected:
    OrderFileStoppedBlockTest() : OrderFileNumbersTest(GetParam().lastSaved) {}
};

TEST_P(OrderFileStoppedBlockTest, NumberingGoesOnAfterTheBlockOfAStoppedPass) {
    const StoppedCase& c = GetParam();
    for (int number : c.tmpFiles)
        putInHostFolder(fileName(number, "Tmp"));
    putInHostFolder(fileName(c.lastSaved + 3, "Rcv"));
    ASSERT_TRUE(ExportRecovery(*f.fs, f.programFolder()).reserveNumbersThrough(c.reservedThrough).ok());
    if (c.hostFolderAway)
        f.loseHostFolder();

    ASSERT_EQ(numbers.reservedByStoppedPass(), c.reservedThrough);
    EXPECT_EQ(numbers.skipStoppedReservation(c.reservedThrough, folder()), int(c.removed.size()));
    EXPECT_EQ(numbers.last(), c.reservedThrough);
    EXPECT_EQ(savedLastSeqNum(), QString::number(c.reservedThrough));
    if (c.hostFolderAway)
        f.restoreHostFolder();
    for (int number : c.tmpFiles) {
        const bool removed = std::find(c.removed.begin(), c.removed.end(), number) != c.removed.end();
        EXPECT_NE(QFile::exists(f.hostFile(fileName(number, "Tmp"))), removed) << number;
    }
    EXPECT_TRUE(QFile::exists(f.hostFile(fileName(c.lastSaved + 3, "Rcv")))) << "the host's file stays";
    EXPECT_TRUE(numbers.reservedByStoppedPass()) << "kept until the skip is written down";
    numbers.forgetStoppedReservation();
    EXPECT_EQ(numbers.reservedByStoppedPass(), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OrderFileStoppedBlockTest,
    ::testing::Values(StoppedCase{"InsideTheBlock", 41, 541, {41, 42, 300, 541, 542}, {42, 300, 541}},
                      StoppedCase{
                          "AcrossTheWrap", 9800, 400, {9800, 9850, 9900, 1, 400, 401}, {9850, 9900, 1, 400}},
                      StoppedCase{"HostFolderAway", 41, 541, {42}, {}, true}),
    RowName());

} // namespace
