#include "shell/SettingsStore.h"
#include "platform/Clock.h"
#include "platform/SettingsBackend.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vrq;

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString iniPath = dir.filePath(QStringLiteral("settings.ini"));
    ManualClock clock{QDateTime(QDate(2026, 12, 5), QTime(9, 30, 15))};
    std::unique_ptr<SettingsBackend> backend = SettingsBackend::openIniFile(iniPath);
    SettingsStore store{*backend, clock};

    void writeRaw(const QString& section, const QString& key, const QString& value) {
        backend->setValue(section, key, value);
        backend->sync();
    }
    QStringList storedKeys() {
        QSettings raw(iniPath, QSettings::IniFormat);
        return raw.allKeys();
    }
};

TEST_F(SettingsStoreTest, EmptyStoreGivesTheDefaults) {
    Settings s;
    s.QX7Name = QStringLiteral("junk");
    const auto problems = store.LoadFromRegistry(s);
    EXPECT_TRUE(problems.isEmpty());
    EXPECT_EQ(s.DetailsTop, 0);
    EXPECT_EQ(s.SystemID, 0);
    EXPECT_TRUE(s.EnableCalls);
    EXPECT_FALSE(s.EnableFiles);
    EXPECT_EQ(s.QX7Name, QString());
    EXPECT_EQ(s.LocalDrive, QStringLiteral("I"));
    EXPECT_EQ(s.QX7Path, QStringLiteral("I:\\QX7Com\\"));
    EXPECT_EQ(s.DataBinPath, QStringLiteral("C:\\ZIR32\\DCS\\"));
    EXPECT_EQ(s.ScannedFolder, QStringLiteral("C:\\WBZ"));
    EXPECT_EQ(s.FileScanMinutes, 30);
    EXPECT_EQ(s.ProcessDelay, 10);
    EXPECT_EQ(s.DaysOfHistory, 14);
    EXPECT_EQ(s.LastDateRun, QDateTime(QDate(1970, 1, 1), QTime(0, 0)));
    EXPECT_EQ(s.LastDatePurged, clock.now().addMSecs(-clock.now().time().msec()));
    EXPECT_TRUE(s.MonitorNetwork && s.AutoConnect && s.DataBinAudit);
    EXPECT_EQ(s.NextDataBinNum, 0);
    EXPECT_TRUE(storedKeys().isEmpty()) << "loading writes nothing";
}

TEST_F(SettingsStoreTest, SaveWritesEveryKeyButProcessDelayAndLastScannedCallNum) {
    Settings s;
    store.LoadFromRegistry(s);
    store.SaveToRegistry(s);
    QStringList keys = storedKeys();
    keys.sort();
    const QStringList expected = {
        QStringLiteral("Miscellaneous/AutoConnect"),
        QStringLiteral("Miscellaneous/DataBinAudit"),
        QStringLiteral("Miscellaneous/DaysOfHistory"),
        QStringLiteral("Miscellaneous/LastDatePurged"),
        QStringLiteral("Miscellaneous/LastDateRun"),
        QStringLiteral("Miscellaneous/MonitorNetwork"),
        QStringLiteral("Miscellaneous/NextDataBinNum"),
        QStringLiteral("QX7/DataBinFormat"),
        QStringLiteral("QX7/DataBinPath"),
        QStringLiteral("QX7/EnableCalls"),
        QStringLiteral("QX7/EnableFiles"),
        QStringLiteral("QX7/FileScanMinutes"),
        QStringLiteral("QX7/LastSeqNum"),
        QStringLiteral("QX7/LocalDrive"),
        QStringLiteral("QX7/QX7Name"),
        QStringLiteral("QX7/QX7Path"),
        QStringLiteral("QX7/ScannedFolder"),
        QStringLiteral("QX7/SystemID"),
        QStringLiteral("Startup/DetailsLeft"),
        QStringLiteral("Startup/DetailsTop"),
    };
    EXPECT_EQ(keys, expected);
}

TEST_F(SettingsStoreTest, WrittenValuesReadBackTheSame) {
    Settings s;
    store.LoadFromRegistry(s);
    s.DetailsTop = -120;
    s.SystemID = 7;
    s.EnableFiles = true;
    s.QX7Name = QStringLiteral("HOST400");
    s.QX7Path = QString(100, QLatin1Char('p'));
    s.DataBinFormat = 2;
    s.LastDateRun = QDateTime(QDate(2026, 3, 7), QTime(14, 5, 59));
    s.DaysOfHistory = 60;
    store.SaveToRegistry(s);
    EXPECT_EQ(backend->value(QStringLiteral("QX7"), QStringLiteral("DataBinFormat")), QStringLiteral(" 2"));
    EXPECT_EQ(backend->value(QStringLiteral("QX7"), QStringLiteral("EnableFiles")), QStringLiteral("True"));

    Settings back;
    EXPECT_TRUE(store.LoadFromRegistry(back).isEmpty());
    EXPECT_EQ(back.DetailsTop, -120);
    EXPECT_EQ(back.SystemID, 7);
    EXPECT_TRUE(back.EnableFiles);
    EXPECT_EQ(back.QX7Name, QStringLiteral("HOST400"));
    EXPECT_EQ(back.QX7Path, QString(80, QLatin1Char('p'))) << "text fields are cut to 80 characters";
    EXPECT_EQ(back.DataBinFormat, 2);
    EXPECT_EQ(back.LastDateRun, s.LastDateRun);
    EXPECT_EQ(back.DaysOfHistory, 60);
}

TEST_F(SettingsStoreTest, LastScannedCallNumIsWrittenOnItsOwn) {
    store.saveLastScannedCallNum(9999);
    EXPECT_EQ(storedKeys(), QStringList{QStringLiteral("QX7/LastScannedCallNum")});
    Settings s;
    store.LoadFromRegistry(s);
    EXPECT_EQ(s.LastScannedCallNum, 9999);
}

struct StoredText {
    const char* section;
    const char* key;
    const char* text;
    bool converts;
};

class StoredTextTest : public SettingsStoreTest, public ::testing::WithParamInterface<StoredText> {};

TEST_P(StoredTextTest, ABadValueIsReportedAndDefaulted) {
    const StoredText& p = GetParam();
    writeRaw(QString::fromLatin1(p.section), QString::fromLatin1(p.key), QString::fromLatin1(p.text));
    Settings s;
    const auto problems = store.LoadFromRegistry(s);
    if (p.converts) {
        EXPECT_TRUE(problems.isEmpty());
    } else {
        ASSERT_EQ(problems.size(), 1);
        EXPECT_EQ(problems[0].section, QString::fromLatin1(p.section));
        EXPECT_EQ(problems[0].key, QString::fromLatin1(p.key));
        EXPECT_EQ(problems[0].value, QString::fromLatin1(p.text));
        EXPECT_TRUE(problems[0].describe().contains(QString::fromLatin1(p.key)));
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, StoredTextTest,
                         ::testing::Values(StoredText{"QX7", "FileScanMinutes", "abc", false},
                                           StoredText{"QX7", "FileScanMinutes", "70000", false},
                                           StoredText{"QX7", "DataBinFormat", " 2", true},
                                           StoredText{"QX7", "EnableCalls", "0", true},
                                           StoredText{"QX7", "EnableCalls", "-1", true},
                                           StoredText{"QX7", "EnableCalls", "yes", false},
                                           StoredText{"Miscellaneous", "LastDateRun", "01/01/70", true},
                                           StoredText{"Miscellaneous", "LastDateRun", "12/5/2026 5:30:12 PM",
                                                      true},
                                           StoredText{"Miscellaneous", "LastDatePurged", "yesterday", false},
                                           StoredText{"Startup", "DetailsTop", "-32769", false}));

TEST_F(SettingsStoreTest, DefaultedValueStandsInForTheBadOne) {
    writeRaw(QStringLiteral("QX7"), QStringLiteral("FileScanMinutes"), QStringLiteral("abc"));
    writeRaw(QStringLiteral("QX7"), QStringLiteral("DataBinFormat"), QStringLiteral(" 2"));
    Settings s;
    store.LoadFromRegistry(s);
    EXPECT_EQ(s.FileScanMinutes, 30);
    EXPECT_EQ(s.DataBinFormat, 2);
}

struct DateCase {
    const char* text;
    QDateTime expected;
};

TEST(SettingTextTest, DatesInTheFormsWrittenOverTheYears) {
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
}

TEST(SettingTextTest, NumbersRoundAndStayInSixteenBits) {
    EXPECT_EQ(SettingText::toInt16(QStringLiteral(" 2")), 2);
    EXPECT_EQ(SettingText::toInt16(QStringLiteral("2.5")), 2);
    EXPECT_EQ(SettingText::toInt16(QStringLiteral("3.5")), 4);
    EXPECT_EQ(SettingText::toInt16(QStringLiteral("-32768")), -32768);
    EXPECT_EQ(SettingText::toInt16(QStringLiteral("32768")), std::nullopt);
    EXPECT_EQ(SettingText::toInt16(QString()), std::nullopt);
}

} // namespace
