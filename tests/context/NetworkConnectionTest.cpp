#include "context/NetworkConnection.h"
#include "export/OrderExport.h"
#include "support/ProgramFixture.h"

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

// Blanks after a setting (as a hand-edited settings file may hold) are not part of the names; a blank
// setting names no folder, not the program folder it would resolve to.
TEST_F(NetworkConnectionTest, NamesAreBuiltFromTheSettingsWithoutTrailingBlanksAndABlankFolderNeverExists) {
    f.ctx.settings.LocalDrive = QStringLiteral("Q");
    f.ctx.settings.QX7Name = QStringLiteral("HOST   ");
    f.ctx.settings.QX7Path = QStringLiteral("Q:\\Out\\  ");
    EXPECT_EQ(network.driveName(), QStringLiteral("Q:"));
    EXPECT_EQ(network.shareName(), QStringLiteral("\\\\HOST\\Qdls"));
    EXPECT_EQ(network.folderToTest(), QStringLiteral("Q:\\Out"));
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

TEST_F(NetworkConnectionTest, WithoutMonitoringALostFolderIsTouchedAndLoggedOnlyOnceThereAreCallsToWrite) {
    f.ctx.settings.MonitorNetwork = false;
    f.store->setExtracted(0, 17, true);
    f.loseHostFolder();
    extract();
    EXPECT_TRUE(f.drives.calls.isEmpty());
    EXPECT_TRUE(f.auditTexts().isEmpty());

    f.store->setExtracted(0, 17, false);
    extract();
    EXPECT_EQ(f.auditTexts().mid(0, 2),
              (QStringList{QStringLiteral("L|Network connection lost."), kEstablished}));
    EXPECT_TRUE(exported());
}

} // namespace
