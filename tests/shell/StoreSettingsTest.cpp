// The [Store] section of the settings: how its keys load and save, and the starts it refuses.
#include "ReliabilitySupport.h"
#include "settings/SettingsStore.h"
#include "shell/Application.h"
#include "support/ProgramFixture.h"
#include "support/TestNames.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;

namespace {

const QString kPasswordRefusal =
    u"The store connection in the settings holds a password; keep it in ~/.pgpass or "
    "a service file instead."_s;
const QString kNoPostgreSQLYet =
    u"This build cannot open a PostgreSQL store yet; set Backend=SQLite in [Store]."_s;

// The store fields of a record on one line.
QString storeValuesOf(const Settings& s) {
    return QStringList{SettingText::fromStoreBackend(s.storeBackend), s.storeConnection,
                       QString::number(s.workstation), SettingText::fromBool(s.takeOver)}
        .join(u'|');
}

class StoreSettingsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString iniPath = dir.filePath(u"settings.ini"_s);
    ManualClock clock{QDateTime(QDate(2026, 12, 5), QTime(9, 30, 15))};

    // The settings file holding text, and a store reading it as at a start.
    SettingsStore& fromFile(const QByteArray& text) {
        EXPECT_TRUE(test::ProgramFixture::writeFile(iniPath, text));
        backend = SettingsBackend::openIniFile(iniPath);
        return store.emplace(*backend, clock);
    }
    QByteArray fileText() const { return test::ProgramFixture::readFile(iniPath); }

    std::unique_ptr<SettingsBackend> backend;
    std::optional<SettingsStore> store;
};

TEST_F(StoreSettingsTest, DefaultsAreSavedAfterTheOtherSectionsInTheOrderOfTheRecord) {
    SettingsStore& settings = fromFile("");
    Settings s;
    EXPECT_TRUE(settings.load(s).isEmpty());
    EXPECT_EQ(storeValuesOf(s), u"SQLite||1|True"_s);
    ASSERT_TRUE(settings.save(s));
    const QByteArray text = fileText();
    EXPECT_GT(text.indexOf("[Store]\nBackend=SQLite\nConnection=\nWorkstation=1\nTakeOver=True\n"),
              text.indexOf("NextDataBinNum="))
        << text.toStdString();
}

// A line of the [Store] section and the record's store fields it loads as.
struct StoreLine {
    const char* name;
    const char* line;
    const char* loadsAs; // Backend|Connection|Workstation|TakeOver
};

class StoreLineTest : public StoreSettingsTest, public ::testing::WithParamInterface<StoreLine> {};

TEST_P(StoreLineTest, LoadsAsMeantAndSavesBackTheSame) {
    const StoreLine& row = GetParam();
    SettingsStore& settings = fromFile(QByteArray("[Store]\n") + row.line + "\n");
    Settings s;
    EXPECT_TRUE(settings.load(s).isEmpty());
    EXPECT_EQ(storeValuesOf(s), QString::fromUtf8(row.loadsAs));

    ASSERT_TRUE(settings.save(s));
    Settings back;
    EXPECT_TRUE(fromFile(fileText()).load(back).isEmpty()) << fileText().toStdString();
    EXPECT_EQ(storeValuesOf(back), storeValuesOf(s)) << fileText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Lines, StoreLineTest,
    ::testing::Values(StoreLine{"postgreSQL", "Backend=PostgreSQL", "PostgreSQL||1|True"},
                      StoreLine{"backendInLowerCase", "Backend=postgresql", "PostgreSQL||1|True"},
                      StoreLine{"backendWithBlanks", "Backend = SQLITE ", "SQLite||1|True"},
                      StoreLine{"connectionString", "Connection=host=db1 dbname=vrq user=desk1",
                                "SQLite|host=db1 dbname=vrq user=desk1|1|True"},
                      StoreLine{"connectionWithQuotesAndBackslashes", "Connection=dbname='a b\\'c' host=db1",
                                "SQLite|dbname='a b\\'c' host=db1|1|True"},
                      StoreLine{"connectionUri", "Connection=postgresql://desk1@db1:5432/vrq?sslmode=require",
                                "SQLite|postgresql://desk1@db1:5432/vrq?sslmode=require|1|True"},
                      StoreLine{"lowestWorkstation", "Workstation=1", "SQLite||1|True"},
                      StoreLine{"highestWorkstation", "Workstation=99", "SQLite||99|True"},
                      StoreLine{"noTakeOver", "TakeOver=False", "SQLite||1|False"},
                      StoreLine{"takeOverAsANumber", "TakeOver=0", "SQLite||1|False"}),
    test::RowName());

// A value of the [Store] section the program cannot use: reported by key and value, the default used, and
// the line kept in the file as written while the other keys save.
struct BadStoreValue {
    const char* name;
    const char* key;
    const char* value;
    const char* loadsAs;
    const char* says; // a part of the message
};

class BadStoreValueTest : public StoreSettingsTest, public ::testing::WithParamInterface<BadStoreValue> {};

TEST_P(BadStoreValueTest, IsReportedAndTheDefaultUsedWhileTheFileKeepsIt) {
    const BadStoreValue& row = GetParam();
    const QByteArray line = QByteArray(row.key) + '=' + row.value;
    SettingsStore& settings = fromFile("[QX7]\nLastSeqNum=5\n[Store]\n" + line + "\n");
    Settings s;
    const QList<SettingProblem> problems = settings.load(s);
    ASSERT_EQ(problems.size(), 1);
    const QString message = problems[0].describe();
    EXPECT_TRUE(message.contains(u"Store\\"_s + QLatin1String(row.key)) &&
                message.contains(u'"' + QString::fromUtf8(row.value) + u'"') &&
                message.contains(QString::fromUtf8(row.says)))
        << message.toStdString();
    EXPECT_EQ(storeValuesOf(s), QString::fromUtf8(row.loadsAs));

    s.lastSeqNum = 6;
    ASSERT_TRUE(settings.save(s));
    EXPECT_TRUE(fileText().contains("\n" + line + "\n")) << fileText().toStdString();
    EXPECT_EQ(SettingsBackend::openIniFile(iniPath)->value(u"QX7"_s, u"LastSeqNum"_s), u"6"_s);
}

INSTANTIATE_TEST_SUITE_P(
    Values, BadStoreValueTest,
    ::testing::Values(
        BadStoreValue{"unknownBackend", "Backend", "MySQL", "SQLite||1|True",
                      "is not a valid value; the default \"SQLite\" is used"},
        BadStoreValue{"emptyBackend", "Backend", "", "SQLite||1|True", "is not a valid value"},
        BadStoreValue{"workstationZero", "Workstation", "0", "SQLite||1|True",
                      "is not a number from 1 to 99; the default \"1\" is used"},
        BadStoreValue{"workstationHundred", "Workstation", "100", "SQLite||1|True", "from 1 to 99"},
        BadStoreValue{"workstationInWords", "Workstation", "two", "SQLite||1|True", "is not a valid value"},
        BadStoreValue{"takeOverInWords", "TakeOver", "maybe", "SQLite||1|True", "is not a valid value"}),
    test::RowName());

TEST_F(StoreSettingsTest, AWorkstationOutOfRangeIsSavedOnceTheRecordChangesIt) {
    SettingsStore& settings = fromFile("[Store]\nWorkstation=150\n");
    Settings s;
    ASSERT_EQ(settings.load(s).size(), 1);
    s.workstation = 7;
    ASSERT_TRUE(settings.save(s));
    EXPECT_EQ(SettingsBackend::openIniFile(iniPath)->value(u"Store"_s, u"Workstation"_s), u"7"_s);
}

// The store the [Store] section names, at the start every mode shares: a refused start opens no store.
struct StoreStart {
    const char* name;
    const char* store;   // the [Store] section's lines
    const char* refusal; // empty when the start goes on
};

class StoreStartTest : public ::testing::TestWithParam<StoreStart> {};

TEST_P(StoreStartTest, APostgreSQLStoreIsRefusedBeforeAnythingIsOpened) {
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
    EXPECT_EQ(started.ok() ? QString() : started.message, QString::fromUtf8(row.refusal));
    EXPECT_EQ(QFileInfo::exists(dir.filePath(u"program/CallsAndOrders.db"_s)), started.ok());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StoreStartTest,
    ::testing::Values(
        StoreStart{"sqLite", "Backend=SQLite\n", ""},
        StoreStart{"sqLiteIgnoresTheConnection", "Backend=SQLite\nConnection=host=db1 password=x\n", ""},
        StoreStart{"postgreSQLWithAPassword", "Backend=PostgreSQL\nConnection=host=db1 password=x\n",
                   "The store connection in the settings holds a password; keep it in ~/.pgpass or a service "
                   "file instead."},
        StoreStart{"postgreSQLWithAPasswordInTheUri",
                   "Backend=postgresql\nConnection=postgresql://u:pw@db1/vrq\n",
                   "The store connection in the settings holds a password; keep it in ~/.pgpass or a service "
                   "file instead."},
        StoreStart{"postgreSQLWithoutAPassword", "Backend=PostgreSQL\nConnection=host=db1 dbname=vrq\n",
                   "This build cannot open a PostgreSQL store yet; set Backend=SQLite in [Store]."}),
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
    ::testing::Values(RefusedRun{"onceWithAPassword", "--once", "host=db1 password=x",
                                 "The store connection in the settings holds a password"},
                      RefusedRun{"serviceWithAPassword", "--service", "postgresql://u:pw@db1/vrq",
                                 "The store connection in the settings holds a password"},
                      RefusedRun{"onceWithoutAPassword", "--once", "host=db1",
                                 "This build cannot open a PostgreSQL store yet"},
                      RefusedRun{"serviceWithoutAPassword", "--service", "host=db1",
                                 "This build cannot open a PostgreSQL store yet"}),
    test::RowName());

} // namespace
