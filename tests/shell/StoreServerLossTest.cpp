// The store's server lost under the running program: the jobs stop without a message box, one "E" entry
// waits in the spool, the server is tried again after a wait that doubles, and once it answers the
// spool is written and the waiting calls are taken in and sent.
#include "pg/PgTestDatabase.h"
#include "shell/Application.h"
#include "store/AuditSpool.h"
#include "support/IntakeFixture.h"

#include <QSettings>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::test;

namespace {

const QByteArray kOneItem = "&S123456&C12345678&I1234567890123&Q012+&";

class StoreServerLossTest : public ::testing::Test {
protected:
    void SetUp() override {
        VRQ_NEED_PG_SERVER();
        database = std::make_unique<PgTestDatabase>();
        ASSERT_TRUE(database->created()) << database->error().toStdString();
        QDir().mkpath(dir.filePath(u"dcs"_s));
        const QString ini = dir.filePath(u"VRQToQX7.ini"_s);
        QSettings settings(ini, QSettings::IniFormat);
        settings.setValue(u"QX7/DataBinPath"_s, dir.filePath(u"dcs/"_s));
        settings.setValue(u"Store/Backend"_s, u"PostgreSQL"_s);
        settings.setValue(u"Store/Connection"_s, database->conninfo());
        settings.sync();
        ApplicationSeams seams{.clock = &clock,
                               .drives = &drives,
                               .settingsBackend = SettingsBackend::openIniFile(ini),
                               .programFolder = dir.filePath(u"program"_s)};
        app = std::make_unique<Application>(u'F', ui, std::move(seams));
        const Result started = app->startUp();
        ASSERT_TRUE(started.ok()) << started.message.toStdString();
    }

    void feed(int callNumber) {
        ASSERT_TRUE(
            ProgramFixture::writeFile(dataBin(), testdata::fileHeader() + makeCall(callNumber, kOneItem)));
    }
    QString dataBin() const { return dir.filePath(u"dcs/DataBin.Dat"_s); }
    AuditSpool spool() const {
        return AuditSpool(realFileSystem(), dir.filePath(u"program/AuditSpool.txt"_s));
    }
    void runEveryJob() {
        app->runDataBinIntake();
        EXPECT_TRUE(app->runFolderScan().ok());
        app->runExport();
    }
    AppContext& ctx() { return app->context(); }

    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 12, 8), QTime(8, 0, 0))};
    RecordingUserInterface ui;
    ScriptedDriveMapper drives;
    std::unique_ptr<PgTestDatabase> database;
    std::unique_ptr<Application> app; // closed before the database is dropped
};

TEST_F(StoreServerLossTest, TheJobsWaitForTheServerAndGoOnWhenItAnswers) {
    feed(5);
    app->runDataBinIntake();
    ASSERT_EQ(ctx().store->calls().pendingCallCount(), 1);

    // The server drops the program's connection and takes no new one for a while.
    ASSERT_TRUE(database->allowConnections(false));
    ASSERT_TRUE(database->endSessions());
    feed(6);
    const QByteArray waiting = ProgramFixture::readFile(dataBin());
    runEveryJob();

    EXPECT_EQ(ProgramFixture::readFile(dataBin()), waiting) << "left for the next pass";
    EXPECT_TRUE(ui.messages.isEmpty()) << "no message box holds the windows";
    EXPECT_TRUE(ctx().status.storeError.startsWith(u"the database server cannot be reached"_s))
        << ctx().status.storeError.toStdString();
    EXPECT_EQ(ctx().status.failedSteps, 1);
    const std::vector<AuditRow> kept = spool().entries();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].type, u"E"_s);
    EXPECT_TRUE(
        kept[0].msg.startsWith(u"No call is taken in or sent: the database server cannot be reached"_s))
        << kept[0].msg.toStdString();

    // Tried again after 1 s, in vain; the next try waits 2 s more, though the server answers by then.
    clock.advanceMs(1000);
    runEveryJob();
    ASSERT_TRUE(database->allowConnections(true));
    clock.advanceMs(1000);
    runEveryJob();
    EXPECT_EQ(ProgramFixture::readFile(dataBin()), waiting) << "the wait is not over";
    EXPECT_FALSE(ctx().status.storeError.isEmpty());

    clock.advanceMs(1000);
    runEveryJob();
    EXPECT_TRUE(ctx().status.storeError.isEmpty()) << ctx().status.storeError.toStdString();
    EXPECT_FALSE(QFile::exists(dataBin())) << "taken in once the server answers";
    EXPECT_EQ(ctx().store->calls().pendingCallCount(), 2) << "both kept for a host folder";
    EXPECT_TRUE(spool().empty());
    const std::vector<AuditRow> audit = ctx().store->audit().allAudit();
    const auto position = [&](const QString& start) {
        return std::find_if(audit.begin(), audit.end(),
                            [&](const AuditRow& row) { return row.msg.startsWith(start); });
    };
    const auto outage = position(u"No call is taken in or sent: the database server cannot be reached"_s);
    const auto back = position(u"The call store keeps what is written again"_s);
    ASSERT_NE(outage, audit.end());
    ASSERT_NE(back, audit.end());
    EXPECT_LT(outage, back);
    EXPECT_EQ(outage->auditDnt, QDateTime(QDate(2026, 12, 8), QTime(8, 0, 0))) << "written with its own time";
}

} // namespace
