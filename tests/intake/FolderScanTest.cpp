#include "intake/FolderScan.h"
#include "support/TestEnvironment.h"
#include "testdata/DataBinGenerator.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

using namespace vrq;
using namespace vrq::testdata;

namespace {

class MessageRecorder : public test::CountingUserInterface {
public:
    void showMessage(const QString& text) override { messages << text; }
    QStringList messages;
};

class FolderScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        env.ctx.ui = &recorder;
        folder = env.makeFolder(QStringLiteral("wbz"));
        env.ctx.settings.ScannedFolder = folder;
        env.ctx.settingsStore->SaveToRegistry(env.ctx.settings);
    }
    void drop(const QString& name, quint32 seed = 1, int orders = 2) {
        QString error;
        ASSERT_TRUE(
            writeScannedFile(folder + name, generateScannedFile(Dialect::Standard, orders, 2, seed), &error))
            << error.toStdString();
    }
    std::vector<CallRow> scannedCalls() {
        std::vector<CallRow> rows;
        for (const CallRow& row : env.store().allCalls())
            if (row.source == 1)
                rows.push_back(row);
        return rows;
    }
    QString storedLastScannedCallNum() {
        return SettingsBackend::openIniFile(env.iniPath)
            ->value(QStringLiteral("QX7"), QStringLiteral("LastScannedCallNum"))
            .value_or(QString());
    }

    test::TestEnvironment env;
    MessageRecorder recorder;
    QString folder;
    FolderScan scan{env.ctx};
};

TEST_F(FolderScanTest, ANewFileIsTakenAtTheSecondScanThatSeesIt) {
    drop(QStringLiteral("order1.txt"));
    ASSERT_TRUE(scan.run().ok);
    EXPECT_TRUE(scannedCalls().empty()) << "the first scan only notes the file";
    ASSERT_TRUE(scan.run().ok);
    const auto calls = scannedCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].callNumber, 1);
    EXPECT_TRUE(calls[0].goodCall);
    EXPECT_TRUE(calls[0].complete);
    EXPECT_EQ(calls[0].numberOfOrders, 2);
    EXPECT_EQ(storedLastScannedCallNum(), QStringLiteral("1"));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("order1.txt")));
    EXPECT_TRUE(QFile::exists(env.programFolder() + QStringLiteral("/Audit/File0001.Txt")));
    EXPECT_EQ(env.auditMessages(QStringLiteral("G")).size(), 1);
}

TEST_F(FolderScanTest, AFileThatKeepsChangingIsNotTaken) {
    drop(QStringLiteral("a.txt"), 1, 1);
    scan.run();
    drop(QStringLiteral("a.txt"), 2, 3); // grew between the scans
    scan.run();
    EXPECT_TRUE(scannedCalls().empty());
    scan.run();
    EXPECT_EQ(scannedCalls().size(), 1u);
}

TEST_F(FolderScanTest, FilesAreTakenInNameOrder) {
    drop(QStringLiteral("b.txt"), 2);
    drop(QStringLiteral("a.txt"), 1);
    const QByteArray first = test::TestEnvironment::readFile(folder + QStringLiteral("a.txt"));
    scan.run();
    scan.run();
    ASSERT_EQ(scannedCalls().size(), 2u);
    EXPECT_EQ(test::TestEnvironment::readFile(env.programFolder() + QStringLiteral("/Audit/File0001.Txt")),
              first);
}

TEST_F(FolderScanTest, TheNumberWrapsAfter9999AndReplacesTheOldCopy) {
    env.ctx.settingsStore->saveLastScannedCallNum(9999);
    QDir().mkpath(env.programFolder() + QStringLiteral("/Audit"));
    ASSERT_TRUE(
        test::TestEnvironment::writeFile(env.programFolder() + QStringLiteral("/Audit/File0001.Txt"), "old"));
    drop(QStringLiteral("x.txt"));
    scan.run();
    scan.run();
    ASSERT_EQ(scannedCalls().size(), 1u);
    EXPECT_EQ(scannedCalls()[0].callNumber, 1);
    EXPECT_EQ(storedLastScannedCallNum(), QStringLiteral("1"));
    EXPECT_NE(test::TestEnvironment::readFile(env.programFolder() + QStringLiteral("/Audit/File0001.Txt")),
              QByteArray("old"));
}

TEST_F(FolderScanTest, AScannedCallNeverCollidesWithADataBinCallOfTheSameNumber) {
    CallRow fromDataBin;
    fromDataBin.callNumber = 1;
    fromDataBin.complete = true;
    ASSERT_TRUE(env.store().insertCall(fromDataBin).ok());
    drop(QStringLiteral("x.txt"));
    scan.run();
    scan.run();
    ASSERT_EQ(scannedCalls().size(), 1u);
    EXPECT_EQ(scannedCalls()[0].callNumber, 1);
    EXPECT_EQ(env.store().allCalls().size(), 2u);
}

TEST_F(FolderScanTest, AFileThatCannotBeOpenedIsLeftForALaterScan) {
    ASSERT_TRUE(scan.processScannedFile(QStringLiteral("gone.txt")).ok);
    EXPECT_TRUE(scannedCalls().empty());
    EXPECT_EQ(storedLastScannedCallNum(), QString()) << "no number is taken for a file that was not opened";
}

TEST_F(FolderScanTest, AnInvalidFolderIsReportedAndNothingElseHappens) {
    env.ctx.settings.ScannedFolder = env.path(QStringLiteral("missing"));
    ASSERT_TRUE(scan.run().ok);
    ASSERT_EQ(recorder.messages.size(), 1);
    EXPECT_EQ(recorder.messages[0],
              QStringLiteral("Invalid Scanned Folder name: ") + env.path(QStringLiteral("missing")) +
                  QStringLiteral(".  Go to the properties and set this value correctly."));
    EXPECT_TRUE(env.auditLines().isEmpty());
}

TEST_F(FolderScanTest, TheListingCanBeKeptBetweenRuns) {
    const QString state = env.programFolder() + QStringLiteral("/ScannedFolder.json");
    drop(QStringLiteral("a.txt"));
    {
        FolderScan firstRun(env.ctx);
        firstRun.keepListingIn(state);
        firstRun.run();
    }
    EXPECT_TRUE(scannedCalls().empty());
    FolderScan secondRun(env.ctx);
    secondRun.keepListingIn(state);
    secondRun.run();
    EXPECT_EQ(scannedCalls().size(), 1u);
}

// A stop of the process at one step of taking a scanned file: nothing after that step runs.
struct Killed {};

enum class ScanStop { AtTheNote, BeforeTheMove, AfterTheMove };

class DyingScanDisk : public FileSystem {
public:
    explicit DyingScanDisk(ScanStop stop) : m_stop(stop) {}
    FileResult writeFileDurably(const QString& path, const QByteArray& bytes) override {
        if (m_stop == ScanStop::AtTheNote && path.endsWith(QLatin1String("ScannedFileTaking.txt")))
            throw Killed{};
        return FileSystem::writeFileDurably(path, bytes);
    }
    FileResult moveFile(const QString& from, const QString& to) override {
        if (m_stop == ScanStop::BeforeTheMove)
            throw Killed{};
        return FileSystem::moveFile(from, to);
    }
    FileResult removeFile(const QString& path) override {
        if (m_stop == ScanStop::AfterTheMove && path.endsWith(QLatin1String("ScannedFileTaking.txt")))
            throw Killed{};
        return FileSystem::removeFile(path);
    }

private:
    ScanStop m_stop;
};

class FolderScanKillTest : public FolderScanTest, public ::testing::WithParamInterface<ScanStop> {};

TEST_P(FolderScanKillTest, AFileIsStoredOnceWhereverTheTakingStops) {
    drop(QStringLiteral("order1.txt"));
    DyingScanDisk dying(GetParam());
    env.ctx.fs = &dying;
    ASSERT_TRUE(scan.run().ok); // notes the file
    EXPECT_THROW(scan.run(), Killed);
    env.store().rollback(); // what the engine does with the open transaction of a killed process

    env.ctx.fs = &realFileSystem();
    env.ctx.settings.LastScannedCallNum = storedLastScannedCallNum().toInt();
    FolderScan restarted(env.ctx);
    for (int scanAfterRestart = 0; scanAfterRestart < 3; ++scanAfterRestart)
        ASSERT_TRUE(restarted.run().ok);
    ASSERT_EQ(scannedCalls().size(), 1u);
    EXPECT_TRUE(scannedCalls()[0].complete);
    EXPECT_EQ(env.auditMessages(QStringLiteral("G")).size(), 1);
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("order1.txt")));
    const QString copy =
        QStringLiteral("/Audit/File%1.Txt").arg(scannedCalls()[0].callNumber, 4, 10, QLatin1Char('0'));
    EXPECT_TRUE(QFile::exists(env.programFolder() + copy)) << copy.toStdString();
    EXPECT_FALSE(QFile::exists(env.programFolder() + QStringLiteral("/ScannedFileTaking.txt")));
}

INSTANTIATE_TEST_SUITE_P(Stops, FolderScanKillTest,
                         ::testing::Values(ScanStop::AtTheNote, ScanStop::BeforeTheMove,
                                           ScanStop::AfterTheMove));

} // namespace
