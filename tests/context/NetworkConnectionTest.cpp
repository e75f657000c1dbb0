#include "context/NetworkConnection.h"
#include "export/OrderExport.h"
#include "support/ProgramFixture.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

using namespace vrq;
using namespace vrq::test;

namespace {

const QString kEstablished = QStringLiteral("E|Network connection established.");
const QString kCannotReestablish =
    QStringLiteral("E|Network connection cannot be re-established at this time.");

class NetworkConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        f.addPendingCall(0, 17);
        f.drives.onConnected = [this] { f.restoreHostFolder(); };
    }
    void extract() {
        OrderExport exporter(f.ctx, network);
        exporter.extractCalls();
    }
    bool exported() { return f.call(0, 17)->extractedCall; }

    ProgramFixture f;
    NetworkConnection network{f.ctx};
};

struct NameCase {
    const char* name;
    const char* localDrive;
    const char* qx7Name;
    const char* qx7Path;
    const char* drive;
    const char* share;
    const char* folder;
};

class NetworkNamesTest : public NetworkConnectionTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(NetworkNamesTest, AreBuiltFromTheSettingsWithoutTrailingBlanks) {
    f.ctx.settings.LocalDrive = QLatin1String(GetParam().localDrive);
    f.ctx.settings.QX7Name = QLatin1String(GetParam().qx7Name);
    f.ctx.settings.QX7Path = QLatin1String(GetParam().qx7Path);
    EXPECT_EQ(network.driveName(), QLatin1String(GetParam().drive));
    EXPECT_EQ(network.shareName(), QLatin1String(GetParam().share));
    EXPECT_EQ(network.folderToTest(), QLatin1String(GetParam().folder));
}

INSTANTIATE_TEST_SUITE_P(Settings, NetworkNamesTest,
                         ::testing::Values(NameCase{"defaults", "I", "AS400", "I:\\QX7Com\\",
                                                    "I:", "\\\\AS400\\Qdls", "I:\\QX7Com"},
                                           NameCase{"trailingBlanks", "Q", "HOST   ", "Q:\\Out\\  ",
                                                    "Q:", "\\\\HOST\\Qdls", "Q:\\Out"},
                                           NameCase{"nativeFolder", "I", "H", "/srv/qx7/",
                                                    "I:", "\\\\H\\Qdls", "/srv/qx7"}),
                         test::RowName());

// A blank setting names no folder, not the program folder it would resolve to.
TEST_F(NetworkConnectionTest, ABlankFolderNeverExists) {
    EXPECT_FALSE(network.folderExists(QString()));
    EXPECT_FALSE(network.folderExists(QStringLiteral("   ")));
}

TEST_F(NetworkConnectionTest, AFolderBackAtOnceIsLoggedAndTheCallWritten) {
    f.loseHostFolder();
    extract();
    EXPECT_EQ(f.drives.calls,
              (QStringList{QStringLiteral("disconnect I:"), QStringLiteral("connect I: \\\\HOST\\Qdls")}));
    EXPECT_EQ(f.ui.waits, 0);
    EXPECT_EQ(f.auditTexts().first(), kEstablished);
    EXPECT_TRUE(exported());
}

TEST_F(NetworkConnectionTest, AFailedMappingWaitsUntilTheFolderReturns) {
    f.loseHostFolder();
    f.drives.connectResult = 67;
    f.ui.beforeRetry = [this](int retry) {
        if (retry == 2)
            f.restoreHostFolder(); // someone fixed the network
    };
    extract();
    EXPECT_EQ(f.ui.waits, 1);
    EXPECT_EQ(f.auditTexts().mid(0, 2), (QStringList{kCannotReestablish, kEstablished}))
        << "the outage is logged at its start and at its end";
    EXPECT_FALSE(f.ctx.status.hostAway());
    EXPECT_EQ(f.ctx.status.hostFolder, QStringLiteral("I:\\QX7Com"));
    EXPECT_TRUE(exported());
}

TEST_F(NetworkConnectionTest, GivingUpTheWaitEndsThePassWithOnlyTheOutageStartLogged) {
    f.loseHostFolder();
    f.drives.connectResult = 67;
    extract();
    f.clock.advanceMs(60000);
    extract();
    EXPECT_EQ(f.ui.waits, 2);
    EXPECT_EQ(f.auditTexts(), QStringList{kCannotReestablish}) << "one entry for the whole outage";
    EXPECT_EQ(f.ctx.status.hostAwaySince, f.clock.now().addSecs(-60)) << "the outage keeps its start";
    EXPECT_FALSE(exported());
    EXPECT_TRUE(f.savedSetting(QStringLiteral("QX7"), QStringLiteral("LastSeqNum")).isEmpty());
}

TEST_F(NetworkConnectionTest, ARetryThatMapsTheDriveEndsTheWait) {
    f.loseHostFolder();
    f.drives.connectResult = 67;
    f.ui.beforeRetry = [this](int) { f.drives.connectResult = 0; };
    extract();
    EXPECT_TRUE(exported());
}

TEST_F(NetworkConnectionTest, WithoutAutoConnectOnlyTheMessageIsShown) {
    f.ctx.settings.AutoConnect = false;
    f.loseHostFolder();
    extract();
    EXPECT_EQ(f.ui.messages, QStringList{QStringLiteral("The network connection has been broken.  Manually "
                                                        "re-establish the connection and then click OK.")});
    EXPECT_TRUE(f.ctx.status.hostAway());
    EXPECT_TRUE(f.drives.calls.isEmpty());
    EXPECT_TRUE(f.auditTexts().isEmpty());
    EXPECT_FALSE(exported());
}

TEST_F(NetworkConnectionTest, WithoutMonitoringALostFolderIsLoggedOnceThereAreCallsToWrite) {
    f.ctx.settings.MonitorNetwork = false;
    f.loseHostFolder();
    extract();
    ASSERT_GE(f.auditTexts().size(), 2);
    EXPECT_EQ(f.auditTexts().at(0), QStringLiteral("L|Network connection lost."));
    EXPECT_EQ(f.auditTexts().at(1), kEstablished);
    EXPECT_TRUE(exported());
}

TEST_F(NetworkConnectionTest, WithoutMonitoringAndNothingToWriteTheFolderIsNotTouched) {
    f.ctx.settings.MonitorNetwork = false;
    f.store->markExtracted(0, 17, QStringLiteral("QX700001.Rcv"), f.clock.now());
    f.loseHostFolder();
    extract();
    EXPECT_TRUE(f.drives.calls.isEmpty());
    EXPECT_TRUE(f.auditTexts().isEmpty());
}

} // namespace
