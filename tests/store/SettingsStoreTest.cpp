#include "settings/SettingsStore.h"
#include "platform/Clock.h"
#include "platform/SettingsBackend.h"
#include "support/ProgramFixture.h"
#include "support/ScriptedFileSystem.h"
#include "support/TestDoubles.h"
#include "support/TestNames.h"

#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString iniPath = dir.filePath(u"settings.ini"_s);
    ManualClock clock{QDateTime(QDate(2026, 12, 5), QTime(9, 30, 15))};
    std::unique_ptr<SettingsBackend> backend = SettingsBackend::openIniFile(iniPath);
    SettingsStore store{*backend, clock};

    void writeFileText(const QByteArray& text) {
        ASSERT_TRUE(test::ProgramFixture::writeFile(iniPath, text));
    }
    QByteArray fileText() { return test::ProgramFixture::readFile(iniPath); }
    // A value as the settings file holds it.
    std::optional<QString> saved(const char* section, const char* key) {
        return SettingsBackend::openIniFile(iniPath)->value(QLatin1String(section), QLatin1String(key));
    }
    QStringList storedKeys() { return SettingsBackend::openIniFile(iniPath)->allKeys(); }
    // The settings file (holding text when given) opened again, as at the next start.
    SettingsStore& reopen() {
        backend = SettingsBackend::openIniFile(iniPath);
        return reopened.emplace(*backend, clock);
    }
    SettingsStore& fromFile(const QByteArray& text) {
        writeFileText(text);
        return reopen();
    }
    std::optional<SettingsStore> reopened;
};

// Every value of a record on one line.
QString valuesOf(const Settings& s) {
    QStringList values;
    for (int n : {s.detailsTop, s.detailsLeft, s.systemId, s.fileScanMinutes, s.dataBinFormat, s.lastSeqNum,
                  s.lastScannedCallNum, s.processDelay, s.daysOfHistory, s.nextDataBinNum})
        values << QString::number(n);
    for (bool b : {s.enableCalls, s.enableFiles, s.monitorNetwork, s.autoConnect, s.dataBinAudit})
        values << QString::number(b);
    values << s.qx7Name << s.localDrive << s.qx7Path << s.dataBinPath << s.scannedFolder
           << s.lastDateRun.toString(Qt::ISODate) << s.lastDatePurged.toString(Qt::ISODate);
    return values.join(u'|');
}

TEST_F(SettingsStoreTest, EmptyStoreGivesTheDefaults) {
    Settings s;
    s.qx7Name = u"junk"_s;
    s.fileScanMinutes = 5;
    EXPECT_TRUE(store.load(s).isEmpty());
    EXPECT_EQ(valuesOf(s), QStringLiteral("0|0|0|30|0|0|0|10|14|0|1|0|1|1|1||I|I:\\QX7Com\\|C:\\ZIR32\\DCS\\|"
                                          "C:\\WBZ|1970-01-01T00:00:00|2026-12-05T09:30:15"));
    EXPECT_TRUE(storedKeys().isEmpty()) << "loading writes nothing";
}

TEST_F(SettingsStoreTest, WrittenValuesReadBackTheSame) {
    Settings s;
    store.load(s);
    s.detailsTop = -120;
    s.systemId = 7;
    s.enableFiles = true;
    s.qx7Name = u"HOST400"_s;
    // Folder settings are kept whole past the 80 characters of the old settings record.
    const QString folder = u"/srv/"_s + QString(91, u'f') + u'/';
    s.qx7Path = folder;
    s.dataBinPath = folder + u'd';
    s.scannedFolder = folder + u's';
    s.dataBinFormat = 2;
    s.lastDateRun = QDateTime(QDate(2026, 3, 7), QTime(14, 5, 59));
    s.daysOfHistory = 60;
    store.save(s);
    EXPECT_EQ(backend->value(u"QX7"_s, u"DataBinFormat"_s), u" 2"_s);
    EXPECT_EQ(backend->value(u"QX7"_s, u"EnableFiles"_s), u"True"_s);

    // Every value loads as saved: saved again, the file stays the same.
    const QByteArray written = fileText();
    Settings back;
    EXPECT_TRUE(store.load(back).isEmpty());
    EXPECT_EQ(valuesOf(back), valuesOf(s));
    store.save(back);
    EXPECT_EQ(fileText().toStdString(), written.toStdString());
}

// A file edited while the program runs: the bad value read again replaces the earlier one by the default.
TEST_F(SettingsStoreTest, ABadValueLoadedOverAnEarlierOneGivesTheDefault) {
    Settings s;
    s.fileScanMinutes = 5;
    backend->setValue(u"QX7"_s, u"FileScanMinutes"_s, u"abc"_s);
    backend->sync();
    store.load(s);
    EXPECT_EQ(s.fileScanMinutes, 30);
}

// One line of a settings file and the value it must load as.
struct FileLine {
    const char* name;
    const char* line; // in the [QX7] section
    const char* key;
    const char* loadsAs;
};

class FileLineTest : public SettingsStoreTest, public ::testing::WithParamInterface<FileLine> {};

TEST_P(FileLineTest, LoadsAsMeantAndSavesBackTheSame) {
    const FileLine& p = GetParam();
    SettingsStore& reread = fromFile(QByteArray("[QX7]\n") + p.line + "\nLocalDrive=K\n");
    Settings s;
    EXPECT_TRUE(reread.load(s).isEmpty());
    EXPECT_EQ(backend->value(u"QX7"_s, QLatin1String(p.key)), QString::fromUtf8(p.loadsAs));
    EXPECT_EQ(s.localDrive, u"K"_s) << "the next line is a key of its own";

    reread.save(s);
    EXPECT_EQ(saved("QX7", p.key), QString::fromUtf8(p.loadsAs)) << fileText().toStdString();
    EXPECT_TRUE(fileText().contains("\n" + QByteArray(p.line) + "\n"))
        << "an unchanged line keeps its spelling";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FileLineTest,
    ::testing::Values(
        FileLine{"DrivePathWithClosingBackslash", "DataBinPath=C:\\ZIR32\\DCS\\", "DataBinPath",
                 "C:\\ZIR32\\DCS\\"},
        FileLine{"UncPath", "QX7Path=\\\\host\\Qdls\\", "QX7Path", "\\\\host\\Qdls\\"},
        FileLine{"BackslashBeforeEscapeLetters", "ScannedFolder=C:\\new\\tab\\x41", "ScannedFolder",
                 "C:\\new\\tab\\x41"},
        FileLine{"BlanksAroundTheEqualsSign", "QX7Name = Host order entry ", "QX7Name", "Host order entry"},
        FileLine{"CommasInAName", "QX7Name=North, south", "QX7Name", "North, south"},
        FileLine{"SemicolonInAName", "QX7Name=North;south", "QX7Name", "North;south"},
        FileLine{"NonAsciiName", "QX7Name=H\xc3\xb4te", "QX7Name", "H\xc3\xb4te"},
        FileLine{"EarlierProgramsEscapedPath", "QX7Path=I:\\\\QX7Com\\\\", "QX7Path", "I:\\QX7Com\\"},
        FileLine{"EarlierProgramsQuotedNumber", "DataBinFormat=\" 2\"", "DataBinFormat", " 2"},
        FileLine{"EarlierProgramsQuotedName", "QX7Name=\"a, b;c\"", "QX7Name", "a, b;c"},
        FileLine{"EarlierProgramsEscapedQuote", "QX7Name=say \\\"hi\\\"", "QX7Name", "say \"hi\""}),
    test::RowName());

// Texts the program itself saves read back exactly.
struct SavedText {
    const char* name;
    const char* text;
};

class SavedTextTest : public SettingsStoreTest, public ::testing::WithParamInterface<SavedText> {};

TEST_P(SavedTextTest, ReadsBackIdentically) {
    const QString text = QString::fromUtf8(GetParam().text);
    Settings s;
    store.load(s);
    s.qx7Name = text;
    s.dataBinPath = text;
    store.save(s);
    Settings back;
    reopen().load(back);
    EXPECT_EQ(back.qx7Name, text) << fileText().toStdString();
    EXPECT_EQ(back.dataBinPath, text) << fileText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SavedTextTest,
    ::testing::Values(SavedText{"DrivePath", "C:\\ZIR32\\DCS\\"}, SavedText{"UncPath", "\\\\host\\Qdls\\"},
                      SavedText{"EscapedLookingText", "a\\\"b"}, SavedText{"Quoted", "\"quoted\""},
                      SavedText{"LeadingBlank", " lead"}, SavedText{"CommaAndSemicolon", "a, b; c"},
                      SavedText{"HashAndBrackets", "#[x]=y"}),
    test::RowName());

// A stored value the program cannot use as it stands: reported, and kept in the file as written while
// the other keys save.
struct KeptValue {
    const char* name;
    const char* section;
    const char* key;
    QString text;
};

class KeptValueTest : public SettingsStoreTest, public ::testing::WithParamInterface<KeptValue> {};

TEST_P(KeptValueTest, IsReportedAndKeptInTheFileWhileTheOtherKeysSave) {
    const KeptValue& p = GetParam();
    const QByteArray line = QByteArray(p.key) + '=' + p.text.toUtf8();
    const QByteArray section = QByteArray("[") + p.section + "]\n";
    SettingsStore& reread = fromFile(section == "[QX7]\n" ? section + line + "\nLastSeqNum=5\n"
                                                          : "[QX7]\nLastSeqNum=5\n" + section + line + "\n");
    Settings s;
    const QList<SettingProblem> problems = reread.load(s);
    ASSERT_EQ(problems.size(), 1);
    EXPECT_EQ(QStringList({problems[0].section, problems[0].key, problems[0].value}),
              QStringList({QLatin1String(p.section), QLatin1String(p.key), p.text}));
    EXPECT_TRUE(problems[0].describe().contains(QLatin1String(p.key)))
        << problems[0].describe().toStdString();

    s.lastSeqNum = 6;
    reread.save(s);
    reread.save(s);
    EXPECT_TRUE(fileText().contains("\n" + line + "\n")) << fileText().toStdString();
    EXPECT_EQ(saved("QX7", "LastSeqNum"), u"6"_s);
}

INSTANTIATE_TEST_SUITE_P(
    Values, KeptValueTest,
    ::testing::Values(KeptValue{"SystemIdNotANumber", "QX7", "SystemID", u"1x"_s},
                      KeptValue{"SystemIdOfTwoDigits", "QX7", "SystemID", u"12"_s},
                      KeptValue{"MinutesPastSixteenBits", "QX7", "FileScanMinutes", u"70000"_s},
                      KeptValue{"FlagInWords", "QX7", "EnableCalls", u"yes"_s},
                      KeptValue{"HostNameLongerThanItsField", "QX7", "QX7Name", QString(97, u'n')},
                      KeptValue{"TwoLetterDrive", "QX7", "LocalDrive", u"IJ"_s},
                      KeptValue{"DateInWords", "Miscellaneous", "LastDatePurged", u"yesterday"_s},
                      KeptValue{"PositionPastSixteenBits", "Startup", "DetailsTop", u"-32769"_s}),
    test::RowName());

TEST_F(SettingsStoreTest, AKeptValueIsSavedOnceTheRecordChangesIt) {
    SettingsStore& reread = fromFile("[QX7]\nSystemID=1x\n");
    Settings s;
    ASSERT_EQ(reread.load(s).size(), 1);
    s.systemId = 3;
    reread.save(s);
    EXPECT_EQ(saved("QX7", "SystemID"), u"3"_s);
}

TEST_F(SettingsStoreTest, AFailedSaveIsReportedEachTimeAndStoredOnceTheFileCanBeWritten) {
    // A settings file made read-only: every replacement of it fails.
    test::ScriptedFileSystem disk{test::failing(test::FsOp::ReplaceDurably, {}, EACCES)};
    backend = SettingsBackend::openIniFile(iniPath, disk);
    SettingsStore readOnly(*backend, clock);
    QStringList failures;
    readOnly.reportSaveFailuresTo([&](const QString& message) { failures.append(message); });
    Settings s;
    readOnly.load(s);
    s.nextDataBinNum = 1;
    EXPECT_FALSE(readOnly.save(s));
    EXPECT_FALSE(readOnly.saveLastScannedCallNum(5));
    ASSERT_EQ(failures.size(), 2);
    EXPECT_TRUE(failures[0].contains(iniPath)) << failures[0].toStdString();

    disk.heal();
    s.nextDataBinNum = 2;
    EXPECT_TRUE(readOnly.save(s));
    EXPECT_EQ(saved("Miscellaneous", "NextDataBinNum"), u"2"_s);
    EXPECT_EQ(saved("QX7", "LastScannedCallNum"), u"5"_s)
        << "a value that could not be stored is stored with the next save";
}

TEST_F(SettingsStoreTest, AHandEditMadeWhileTheProgramRunsSurvivesItsSave) {
    Settings s;
    store.load(s);
    store.save(s);
    writeFileText(fileText() + "[Miscellaneous]\nProcessDelay=3\n");
    s.nextDataBinNum = 9;
    store.save(s);
    EXPECT_EQ(saved("Miscellaneous", "ProcessDelay"), u"3"_s);
    EXPECT_EQ(saved("Miscellaneous", "NextDataBinNum"), u"9"_s);
}

struct DateCase {
    const char* text;
    QDateTime expected;
};

TEST(SettingTextTest, ValuesInTheFormsWrittenOverTheYears) {
    const DateCase cases[] = {
        {"01/01/70", QDateTime(QDate(1970, 1, 1), QTime(0, 0))},
        {"12/31/29", QDateTime(QDate(2029, 12, 31), QTime(0, 0))},
        {"03/07/2010 14:05:09", QDateTime(QDate(2010, 3, 7), QTime(14, 5, 9))},
        {"3/7/2010 2:05:09 PM", QDateTime(QDate(2010, 3, 7), QTime(14, 5, 9))},
        {"2010-03-07 14:05:09", QDateTime(QDate(2010, 3, 7), QTime(14, 5, 9))},
    };
    for (const DateCase& c : cases) {
        const auto parsed = SettingText::toDate(QString::fromLatin1(c.text));
        ASSERT_TRUE(parsed.has_value()) << c.text;
        EXPECT_EQ(*parsed, c.expected) << c.text;
        EXPECT_EQ(SettingText::toDate(SettingText::fromDate(*parsed)), parsed) << "round trip of " << c.text;
    }
    // Flags written as numbers; numbers round and stay in sixteen bits.
    EXPECT_EQ(SettingText::toBool(u"0"_s), false);
    EXPECT_EQ(SettingText::toBool(u"-1"_s), true);
    const std::pair<const char*, std::optional<qint16>> numbers[] = {
        {" 2", 2}, {"2.5", 2}, {"3.5", 4}, {"-32768", -32768}, {"32768", std::nullopt}, {"", std::nullopt}};
    for (const auto& [text, value] : numbers)
        EXPECT_EQ(SettingText::toInt16(QString::fromLatin1(text)), value) << text;
}

// The [Store] section: how its keys load and save.

// The store fields of a record on one line.
QString storeValuesOf(const Settings& s) {
    return QStringList{SettingText::fromStoreBackend(s.storeBackend), s.storeConnection,
                       QString::number(s.workstation), SettingText::fromBool(s.takeOver)}
        .join(u'|');
}

TEST_F(SettingsStoreTest, DefaultsAreSavedAfterTheOtherSectionsInTheOrderOfTheRecord) {
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

class StoreLineTest : public SettingsStoreTest, public ::testing::WithParamInterface<StoreLine> {};

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

class BadStoreValueTest : public SettingsStoreTest, public ::testing::WithParamInterface<BadStoreValue> {};

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
    EXPECT_EQ(saved("QX7", "LastSeqNum"), u"6"_s);
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

TEST_F(SettingsStoreTest, AWorkstationOutOfRangeIsSavedOnceTheRecordChangesIt) {
    SettingsStore& settings = fromFile("[Store]\nWorkstation=150\n");
    Settings s;
    ASSERT_EQ(settings.load(s).size(), 1);
    s.workstation = 7;
    ASSERT_TRUE(settings.save(s));
    EXPECT_EQ(saved("Store", "Workstation"), u"7"_s);
}

} // namespace
