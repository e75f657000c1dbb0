#include "intake/FolderScan.h"
#include "support/ProgramFixture.h"
#include "support/ScriptedFileSystem.h"
#include "support/TestNames.h"
#include "testdata/DataBinGenerator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::testdata;

namespace {

class FolderScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = env.makeFolder(u"wbz"_s);
        env.ctx.settings.scannedFolder = folder;
        env.ctx.settingsStore->save(env.ctx.settings);
    }
    void drop(const QString& name, quint32 seed = 1) { writeOrderFile(folder + name, seed); }
    static void writeOrderFile(const QString& path, quint32 seed) {
        QString error;
        ASSERT_TRUE(writeScannedFile(path, generateScannedFile(Dialect::Standard, 2, 2, seed), &error))
            << error.toStdString();
    }
    // The audit copy of a scanned call, "Audit/File0001.Txt" for call 1.
    QString auditCopy(int callNumber) const {
        return env.programFolder() + u"/Audit/File%1.Txt"_s.arg(callNumber, 4, 10, QLatin1Char('0'));
    }
    // Only the scan stores calls here (of source 1, as the first test checks).
    std::vector<CallRow> scannedCalls() { return env.store->calls().allCalls(); }
    QString storedLastScannedCallNum() { return env.savedSetting(u"QX7"_s, u"LastScannedCallNum"_s); }

    test::ProgramFixture env;
    QString folder;
    FolderScan scan{env.ctx};
};

// The scans of two runs, the listing kept in a file between them.
TEST_F(FolderScanTest, ANewFileIsTakenAtTheSecondScanThatSeesItAlsoInTheNextRun) {
    drop(u"order1.txt"_s);
    for (int run = 0; run < 2; ++run) {
        EXPECT_TRUE(scannedCalls().empty()) << "the first scan only notes the file";
        FolderScan thisRun(env.ctx);
        thisRun.keepListingIn(env.programFolder() + u"/ScannedFolder.json"_s);
        ASSERT_TRUE(thisRun.run().ok());
    }
    ASSERT_EQ(scannedCalls().size(), 1u);
    const CallRow call = scannedCalls()[0];
    // Source, number, judgement, orders, the "G" entry and the run's counts.
    EXPECT_EQ(QList<int>({call.source, call.callNumber, call.goodCall, call.complete, call.numberOfOrders,
                          int(env.auditMessages(u"G"_s).size()), env.ctx.status.scannedFilesTaken,
                          env.ctx.status.callsGood}),
              QList<int>({1, 1, 1, 1, 2, 1, 1, 1}));
    EXPECT_EQ(storedLastScannedCallNum(), u"1"_s);
    EXPECT_FALSE(QFile::exists(folder + u"order1.txt"_s));
    EXPECT_TRUE(QFile::exists(auditCopy(1)));
}

// Folder settings that lead nowhere or would reach the program folder (or its audit folder): each is
// refused as an invalid folder and nothing is taken or logged, neither the store nor an order file lying
// there.
struct RefusedFolderCase {
    const char* name;
    const char* setting; // "{dir}" stands for the temporary directory, "{program}" for the program folder
    const char* filledFolder; // below the temporary directory: where the setting leads today
    const char* link;         // when set, made below the temporary directory as a link to the program folder
};

class RefusedFolderTest : public FolderScanTest, public ::testing::WithParamInterface<RefusedFolderCase> {};

TEST_P(RefusedFolderTest, IsReportedAsInvalidAndNothingIsTaken) {
    const RefusedFolderCase& c = GetParam();
    if (c.link) {
        ASSERT_TRUE(QFile::link(env.programFolder(), env.path(QString::fromLatin1(c.link))));
    }
    QStringList orderFiles{env.programFolder() + u"/order.txt"_s,
                           env.path(QString::fromLatin1(c.filledFolder)) + u"/order.txt"_s};
    orderFiles.removeDuplicates();
    for (const QString& file : orderFiles) {
        QDir().mkpath(QFileInfo(file).path());
        writeOrderFile(file, 7);
    }
    const QString setting = QString::fromLatin1(c.setting)
                                .replace(u"{dir}"_s, env.path(QString()))
                                .replace(u"{program}"_s, env.programFolder());
    env.ctx.settings.scannedFolder = setting;
    env.ctx.settingsStore->save(env.ctx.settings);

    for (int run = 0; run < 3; ++run)
        ASSERT_TRUE(scan.run().ok());

    const QString message = u"Invalid Scanned Folder name: "_s + setting.trimmed() +
                            u".  Go to the properties and set this value correctly."_s;
    EXPECT_EQ(env.ui.messages.join(u'\n'), QStringList(3, message).join(u'\n'));
    EXPECT_TRUE(scannedCalls().empty());
    EXPECT_TRUE(env.auditTexts().isEmpty()) << env.auditTexts().join(u'\n').toStdString();
    for (const QString& file : orderFiles)
        EXPECT_TRUE(QFile::exists(file)) << file.toStdString();
    EXPECT_GT(QFileInfo(env.programFolder() + u"/CallsAndOrders.db"_s).size(), 0);
    EXPECT_FALSE(QFile::exists(auditCopy(1)));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, RefusedFolderTest,
    ::testing::Values(RefusedFolderCase{"missingFolder", "{dir}/missing", "program", nullptr},
                      RefusedFolderCase{"empty", "", "program", nullptr},
                      RefusedFolderCase{"relativeName", "wbz", "program/wbz", nullptr},
                      RefusedFolderCase{"parentRelative", "..\\program\\", "program", nullptr},
                      RefusedFolderCase{"driveWithoutRoot", "C:", "program/drives/C", nullptr},
                      RefusedFolderCase{"programFolder", "{program}", "program", nullptr},
                      RefusedFolderCase{"programFolderThroughALink", "{dir}/link", "program", "link"},
                      RefusedFolderCase{"auditFolder", "{program}/Audit", "program/Audit", nullptr}),
    test::RowName());

// Files a valid scanned folder can still reach: the settings file lying there, or links to the store or
// to a file of the program folder. None is ever taken; each is reported once.
struct ProtectedFileCase {
    const char* name;
    bool scanTheSettingsFolder; // the scanned folder is the one that holds the settings file
    const char* linkTarget; // else: order.txt in the scanned folder links to this file of the program folder
    const char* reason;     // what the "E" entry calls the file
};

class ProtectedFileTest : public FolderScanTest, public ::testing::WithParamInterface<ProtectedFileCase> {};

TEST_P(ProtectedFileTest, IsNeverTaken) {
    const ProtectedFileCase& c = GetParam();
    QString target = env.iniPath();
    QString taken = QFileInfo(env.iniPath()).fileName();
    if (c.scanTheSettingsFolder) {
        env.ctx.settings.scannedFolder = QFileInfo(env.iniPath()).absolutePath() + u'/';
        env.ctx.settingsStore->save(env.ctx.settings);
    } else {
        target = env.programFolder() + u'/' + QString::fromLatin1(c.linkTarget);
        if (!QFile::exists(target))
            writeOrderFile(target, 3);
        taken = u"order.txt"_s;
        ASSERT_TRUE(QFile::link(target, folder + taken));
    }
    const QByteArray before = test::ProgramFixture::readFile(target);

    for (int run = 0; run < 3; ++run)
        ASSERT_TRUE(scan.run().ok());

    EXPECT_TRUE(scannedCalls().empty());
    EXPECT_TRUE(QFile::exists(target));
    if (!c.scanTheSettingsFolder) {
        EXPECT_TRUE(QFileInfo(folder + taken).isSymLink()) << "the link stays where it is";
        EXPECT_EQ(test::ProgramFixture::readFile(target), before);
    }
    const QStringList errors = env.auditMessages(u"E"_s).filter(QRegularExpression(u"^ScanFolder: "_s));
    ASSERT_EQ(errors.size(), 1) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(errors[0].contains(taken) && errors[0].contains(QLatin1String(c.reason)))
        << errors[0].toStdString();
    EXPECT_FALSE(QFile::exists(auditCopy(1)));
}

INSTANTIATE_TEST_SUITE_P(
    Files, ProtectedFileTest,
    ::testing::Values(ProtectedFileCase{"settingsFileInTheScannedFolder", true, nullptr, "the settings file"},
                      ProtectedFileCase{"linkToTheStore", false, "CallsAndOrders.db", "the call store"},
                      ProtectedFileCase{"linkToAProgramFolderFile", false, "notes.txt",
                                        "the program folder"}),
    test::RowName());

// An audit copy whose name is taken: the file goes to the next free number, the earlier copy stays, a
// "W" entry names both, and the numbering goes on after the number used.
struct TakenCopyCase {
    const char* name;
    int lastScannedCallNum;
    std::vector<int> takenCopies;
    int callNumber;
    int usedCopy;
};

class TakenCopyTest : public FolderScanTest, public ::testing::WithParamInterface<TakenCopyCase> {};

TEST_P(TakenCopyTest, TheEarlierCopyIsKept) {
    const TakenCopyCase& c = GetParam();
    env.ctx.settingsStore->saveLastScannedCallNum(static_cast<qint16>(c.lastScannedCallNum));
    QDir().mkpath(env.programFolder() + u"/Audit"_s);
    for (int number : c.takenCopies)
        ASSERT_TRUE(test::ProgramFixture::writeFile(auditCopy(number), "old"));
    drop(u"x.txt"_s);
    const QByteArray dropped = test::ProgramFixture::readFile(folder + u"x.txt"_s);
    scan.run();
    scan.run();

    ASSERT_EQ(scannedCalls().size(), 1u);
    EXPECT_EQ(scannedCalls()[0].callNumber, c.callNumber);
    for (int number : c.takenCopies)
        EXPECT_EQ(test::ProgramFixture::readFile(auditCopy(number)), QByteArray("old")) << number;
    EXPECT_EQ(test::ProgramFixture::readFile(auditCopy(c.usedCopy)), dropped);
    EXPECT_FALSE(QFile::exists(folder + u"x.txt"_s));
    EXPECT_EQ(env.auditMessages(u"W"_s).join(u'\n'),
              u"ScanFolder: %1 already exists; x.txt (call %2) was moved to %3."_s
                  .arg(FolderScan::auditCopyName(c.callNumber))
                  .arg(c.callNumber)
                  .arg(FolderScan::auditCopyName(c.usedCopy)));
    EXPECT_EQ(storedLastScannedCallNum(), QString::number(c.usedCopy));
    EXPECT_EQ(env.ctx.settings.lastScannedCallNum, c.usedCopy);
}

INSTANTIATE_TEST_SUITE_P(Copies, TakenCopyTest,
                         ::testing::Values(TakenCopyCase{"copyTaken", 0, {1}, 1, 2},
                                           TakenCopyCase{"copyAndTheNextTaken", 4, {5, 6}, 5, 7},
                                           TakenCopyCase{
                                               "lastCopyTakenWrapsToTheFirst", 9998, {9999}, 9999, 1}),
                         test::RowName());

// A stop of the process at one step of taking a scanned file: nothing after that step runs.
struct ScanStop {
    const char* name;
    test::FsRule rule;
    const char* fileName = "order1.txt";
};

class FolderScanKillTest : public FolderScanTest, public ::testing::WithParamInterface<ScanStop> {};

TEST_P(FolderScanKillTest, AFileIsStoredOnceWhereverTheTakingStops) {
    const QString fileName = QString::fromUtf8(GetParam().fileName);
    drop(fileName);
    test::ScriptedFileSystem dying{GetParam().rule};
    env.ctx.fs = &dying;
    ASSERT_TRUE(scan.run().ok()); // notes the file
    EXPECT_THROW(scan.run(), test::Stopped);
    env.store->units().rollback(); // what the engine does with the open transaction of a killed process

    env.ctx.fs = &realFileSystem();
    env.ctx.settings.lastScannedCallNum = storedLastScannedCallNum().toInt();
    FolderScan restarted(env.ctx);
    for (int scanAfterRestart = 0; scanAfterRestart < 3; ++scanAfterRestart)
        ASSERT_TRUE(restarted.run().ok());
    ASSERT_EQ(scannedCalls().size(), 1u);
    EXPECT_TRUE(scannedCalls()[0].complete);
    EXPECT_EQ(env.auditMessages(u"G"_s).size(), 1);
    EXPECT_FALSE(QFile::exists(folder + fileName));
    EXPECT_TRUE(QFile::exists(auditCopy(scannedCalls()[0].callNumber)));
    EXPECT_FALSE(QFile::exists(env.programFolder() + u"/ScannedFileTaking.txt"_s));
}

const QString kTakingNote = u"ScannedFileTaking.txt"_s;

INSTANTIATE_TEST_SUITE_P(
    Stops, FolderScanKillTest,
    ::testing::Values(ScanStop{"atTheNote", test::stopBefore(test::FsOp::WriteDurably, kTakingNote)},
                      ScanStop{"beforeTheMove", test::stopBefore(test::FsOp::MoveFile)},
                      // The note keeps the whole name: a newline in it does not cut the path short.
                      ScanStop{"beforeTheMoveOfANameWithANewline", test::stopBefore(test::FsOp::MoveFile),
                               "order\nFile0001.Txt"},
                      ScanStop{"afterTheMove", test::stopBefore(test::FsOp::RemoveFile, kTakingNote)}),
    test::RowName());

} // namespace
