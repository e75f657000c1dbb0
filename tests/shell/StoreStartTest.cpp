// The starts the [Store] section refuses: a connection holding a password, and a PostgreSQL server that
// cannot be reached.
#include "ReliabilitySupport.h"
#include "settings/SettingsStore.h"
#include "settings/StoreConnection.h"
#include "shell/Application.h"
#include "support/ProgramFixture.h"
#include "support/TestNames.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;

namespace {

// The store the [Store] section names, at the start every mode shares: a refused start opens no store.
struct StoreStart {
    const char* name;
    const char* store;             // the [Store] section's lines
    const char* refusal;           // how the refusal begins; empty when the start goes on
    bool passwordReported = false; // an "E" entry says the connection holds a password
};

class StoreStartTest : public ::testing::TestWithParam<StoreStart> {};

TEST_P(StoreStartTest, ARefusedPostgreSQLStoreOpensNothing) {
    const StoreStart& row = GetParam();
    QTemporaryDir dir;
    const QString ini = dir.filePath(u"VRQToQX7.ini"_s);
    ASSERT_TRUE(test::ProgramFixture::writeFile(ini, QByteArray("[Store]\n") + row.store));
    ManualClock clock{QDateTime(QDate(2026, 12, 5), QTime(8, 0, 0))};
    test::RecordingUserInterface ui;
    ApplicationSeams seams;
    seams.clock = &clock;
    seams.settingsBackend = SettingsBackend::openIniFile(ini);
    seams.programFolder = dir.filePath(u"program"_s);
    Application app(u'F', ui, std::move(seams));
    const Result started = app.startUp();
    const QString refusal = QString::fromUtf8(row.refusal);
    EXPECT_EQ(started.ok(), refusal.isEmpty()) << started.message.toStdString();
    EXPECT_TRUE(started.ok() || started.message.startsWith(refusal)) << started.message.toStdString();
    EXPECT_EQ(QFileInfo::exists(dir.filePath(u"program/CallsAndOrders.db"_s)), started.ok());
    if (!started.ok())
        return;
    QStringList errors;
    for (const AuditRow& entry : app.context().store->audit().allAudit())
        if (entry.type == u"E"_s)
            errors << entry.msg;
    EXPECT_EQ(errors, row.passwordReported ? QStringList{StoreConnection::passwordRefusal(u"password=x"_s)}
                                           : QStringList{});
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StoreStartTest,
    ::testing::Values(
        StoreStart{"sqLite", "Backend=SQLite\n", ""},
        StoreStart{"sqLiteIgnoresTheConnection", "Backend=SQLite\nConnection=host=db1 dbname=vrq\n", ""},
        StoreStart{"sqLiteStartsButReportsAPassword", "Backend=SQLite\nConnection=host=db1 password=x\n", "",
                   true},
        StoreStart{"postgreSQLWithAPassword", "Backend=PostgreSQL\nConnection=host=db1 password=x\n",
                   "The store connection in the settings holds a password; keep it in ~/.pgpass or a service "
                   "file instead."},
        StoreStart{"postgreSQLWithAPasswordInTheUri",
                   "Backend=postgresql\nConnection=postgresql://u:pw@db1/vrq\n",
                   "The store connection in the settings holds a password; keep it in ~/.pgpass or a service "
                   "file instead."},
        StoreStart{"postgreSQLUnreachable", "Backend=PostgreSQL\nConnection=host=/nonexistent dbname=vrq\n",
                   "Database connection failed: "}),
    test::RowName());

// The built program refuses the start on stderr with the exit code of a failed start (1).
struct RefusedRun {
    const char* name;
    const char* mode;
    const char* connection;
    const char* says;
};

class RefusedStoreRunTest : public ::testing::TestWithParam<RefusedRun> {};

TEST_P(RefusedStoreRunTest, SaysWhyOnStderrAndExitsAsAFailedStart) {
    const RefusedRun& row = GetParam();
    reliability::Sandbox sandbox(reliability::Sandbox::Options{});
    const QString ini = sandbox.environment().value(u"VRQTOQX7_SETTINGS"_s);
    ASSERT_FALSE(ini.isEmpty());
    {
        auto settings = SettingsBackend::openIniFile(ini);
        settings->setValue(u"Store"_s, u"Backend"_s, u"PostgreSQL"_s);
        settings->setValue(u"Store"_s, u"Connection"_s, QString::fromUtf8(row.connection));
        ASSERT_TRUE(settings->sync().ok());
    }
    std::unique_ptr<QProcess> run = sandbox.start(reliability::programPath(), {QString::fromUtf8(row.mode)});
    ASSERT_TRUE(reliability::waitForEnd(*run, 60000));
    EXPECT_EQ(run->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run->exitCode(), 1);
    const QString err = QString::fromUtf8(run->readAllStandardError());
    EXPECT_TRUE(err.contains(QString::fromUtf8(row.says))) << err.toStdString();
    EXPECT_FALSE(QFile::exists(QDir(sandbox.home()).filePath(u"CallsAndOrders.db"_s)));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, RefusedStoreRunTest,
    ::testing::Values(
        RefusedRun{"onceWithAPassword", "--once", "host=db1 password=x",
                   "The store connection in the settings holds a password"},
        RefusedRun{"serviceWithAPassword", "--service", "postgresql://u:pw@db1/vrq",
                   "The store connection in the settings holds a password"},
        RefusedRun{"onceUnreachable", "--once", "host=/nonexistent", "Database connection failed"},
        RefusedRun{"serviceUnreachable", "--service", "host=/nonexistent", "Database connection failed"}),
    test::RowName());

} // namespace
