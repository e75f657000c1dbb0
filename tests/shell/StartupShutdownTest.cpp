#include "shell/Application.h"
#include "support/HostileEntries.h"
#include "support/ProgramFixture.h"

#include <QSettings>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;

namespace {

class StartupShutdownTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString iniPath = dir.filePath(u"VRQToQX7.ini"_s);
    ManualClock clock{QDateTime(QDate(2026, 12, 5), QTime(8, 0, 0))};
    test::RecordingUserInterface ui;

    std::unique_ptr<Application> makeApp() {
        return std::make_unique<Application>(
            u'F', ui,
            ApplicationSeams{.clock = &clock,
                             .settingsBackend = SettingsBackend::openIniFile(iniPath),
                             .programFolder = dir.filePath(u"program"_s)});
    }
    QStringList auditTexts(Application& app) {
        QStringList texts;
        for (const AuditRow& row : app.context().store->audit().allAudit())
            texts << row.type + u'|' + row.msg + u'|' + row.instance.value_or(QString());
        return texts;
    }
};

TEST_F(StartupShutdownTest, StartAndStopWriteTheirEntriesAndSaveTheSettings) {
    auto app = makeApp();
    const Result started = app->startUp();
    ASSERT_TRUE(started.ok()) << started.message.toStdString();
    clock.advanceMs(3600 * 1000);
    app->shutDown();
    EXPECT_EQ(auditTexts(*app),
              (QStringList{u"1|Program started (Version: %1).|F"_s.arg(Application::versionText()),
                           u"0|Program stopped|F"_s}));
    auto saved = SettingsBackend::openIniFile(iniPath);
    EXPECT_EQ(saved->value(u"Miscellaneous"_s, u"LastDateRun"_s), u"12/05/2026 08:00:00"_s)
        << "the saved LastDateRun is the start time of the run";
    EXPECT_FALSE(saved->value(u"Miscellaneous"_s, u"ProcessDelay"_s).has_value());
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(u"program/CallsAndOrders.db"_s)));
}

TEST_F(StartupShutdownTest, ABadSettingIsReportedAsAnErrorEntryAndTheRunGoesOn) {
    QSettings(iniPath, QSettings::IniFormat).setValue(u"QX7/FileScanMinutes"_s, u"abc"_s);
    auto app = makeApp();
    ASSERT_TRUE(app->startUp().ok());
    EXPECT_EQ(app->context().settings.fileScanMinutes, 30);
    const QStringList texts = auditTexts(*app);
    ASSERT_EQ(texts.size(), 2);
    EXPECT_TRUE(texts[1].startsWith(u"E|Setting QX7\\FileScanMinutes holds \"abc\""_s));
}

TEST_F(StartupShutdownTest, AStoreThatCannotBeOpenedFailsTheStartWithAMessage) {
    QDir().mkpath(dir.filePath(u"program/CallsAndOrders.db"_s)); // a folder where the file should be
    auto app = makeApp();
    const Result started = app->startUp();
    EXPECT_FALSE(started.ok());
    EXPECT_TRUE(started.message.contains(u"CallsAndOrders.db"_s));
}

TEST_F(StartupShutdownTest, ASettingsFileThatCannotBeWrittenIsReportedAtStartAndAtEveryFailedSave) {
    // The settings file's folder is a plain file: nothing can ever be written there.
    ASSERT_TRUE(test::ProgramFixture::writeFile(dir.filePath(u"settings"_s), ""));
    iniPath = dir.filePath(u"settings/VRQToQX7.ini"_s);
    const auto started = makeApp();
    Application& app = *started;
    ASSERT_TRUE(app.startUp().ok());
    const auto settingsErrors = [&] { return auditTexts(app).filter(u"E|"_s).filter(iniPath); };
    EXPECT_EQ(settingsErrors().size(), 1) << auditTexts(app).join(u'\n').toStdString();
    ASSERT_EQ(ui.messages.filter(iniPath).size(), 1) << ui.messages.join(u'\n').toStdString();

    app.context().settings.nextDataBinNum = 7;
    app.saveSettings();
    app.context().settings.nextDataBinNum = 8;
    app.saveSettings();
    EXPECT_EQ(settingsErrors().size(), 3) << "each failed save is reported";
    EXPECT_EQ(ui.messages.filter(iniPath).size(), 3);
}

TEST_F(StartupShutdownTest, ASettingsFileThatIsAFifoIsReportedAndLeftInPlaceWithoutWaiting) {
    // Put where the settings file belongs, a FIFO would hold an open for good.
    ASSERT_TRUE(test::makeFifo(QFile::encodeName(iniPath)));
    const test::HangGuard guard;
    const auto started = makeApp();
    Application& app = *started;
    ASSERT_TRUE(app.startUp().ok());
    EXPECT_EQ(app.context().settings.fileScanMinutes, 30) << "the defaults are used";
    EXPECT_EQ(ui.messages.filter(u"not a regular file"_s).size(), 1) << ui.messages.join(u'\n').toStdString();

    app.context().settings.nextDataBinNum = 7;
    app.saveSettings();
    EXPECT_TRUE(QFileInfo(iniPath).exists() && !QFileInfo(iniPath).isFile()) << "the FIFO is not replaced";
}

} // namespace
