#include "context/NetworkConnection.h"
#include "export/OrderExport.h"
#include "support/ProgramFixture.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::test;

namespace {

const QString kEstablished = u"E|Network connection established."_s;
const QString kCannotReestablish = u"E|Network connection cannot be re-established at this time."_s;

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
    f.ctx.settings.localDrive = u"Q"_s;
    f.ctx.settings.qx7Name = u"HOST   "_s;
    f.ctx.settings.qx7Path = u"Q:\\Out\\  "_s;
    EXPECT_EQ(network.driveName(), u"Q:"_s);
    EXPECT_EQ(network.shareName(), u"\\\\HOST\\Qdls"_s);
    EXPECT_EQ(network.folderToTest(), u"Q:\\Out"_s);
    EXPECT_FALSE(network.folderExists(QString()));
    EXPECT_FALSE(network.folderExists(u"   "_s));
}

TEST_F(NetworkConnectionTest, AFolderBackAtOnceIsLoggedAndTheCallWritten) {
    f.loseHostFolder();
    extract();
    EXPECT_EQ(f.drives.calls, (QStringList{u"disconnect I:"_s, u"connect I: \\\\HOST\\Qdls"_s}));
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
    EXPECT_EQ(f.ctx.status.hostFolder, u"I:\\QX7Com"_s);
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
    EXPECT_TRUE(f.savedSetting(u"QX7"_s, u"LastSeqNum"_s).isEmpty());
}

TEST_F(NetworkConnectionTest, ARetryThatMapsTheDriveEndsTheWait) {
    f.loseHostFolder();
    f.drives.connectResult = 67;
    f.ui.beforeRetry = [this](int) { f.drives.connectResult = 0; };
    extract();
    EXPECT_TRUE(exported());
}

// The person is asked once an outage, not at every pass: a box each time would hold the windows.
TEST_F(NetworkConnectionTest, WithoutAutoConnectOnlyTheMessageIsShownOnceAnOutage) {
    const QString askedByHand =
        u"The network connection has been broken.  Manually re-establish the connection "
        "and then click OK."_s;
    f.ctx.settings.autoConnect = false;
    f.loseHostFolder();
    extract();
    extract();
    EXPECT_EQ(f.ui.messages, QStringList{askedByHand});
    EXPECT_TRUE(f.ctx.status.hostAway());
    EXPECT_TRUE(f.drives.calls.isEmpty());
    EXPECT_TRUE(f.auditTexts().isEmpty());
    EXPECT_FALSE(exported());

    f.restoreHostFolder();
    extract();
    EXPECT_TRUE(exported());
    f.clock.advanceMs(60000);
    f.loseHostFolder();
    f.addPendingCall(0, 18);
    extract();
    EXPECT_EQ(f.ui.messages, (QStringList{askedByHand, askedByHand})) << "a new outage asks again";
}

TEST_F(NetworkConnectionTest, WithoutMonitoringALostFolderIsTouchedAndLoggedOnlyOnceThereAreCallsToWrite) {
    f.ctx.settings.monitorNetwork = false;
    f.store->calls().setExtracted(0, 17, true);
    f.loseHostFolder();
    extract();
    EXPECT_TRUE(f.drives.calls.isEmpty());
    EXPECT_TRUE(f.auditTexts().isEmpty());

    f.store->calls().setExtracted(0, 17, false);
    extract();
    EXPECT_EQ(f.auditTexts().mid(0, 2), (QStringList{u"L|Network connection lost."_s, kEstablished}));
    EXPECT_TRUE(exported());
}

} // namespace
