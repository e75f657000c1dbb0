#include "shell/Application.h"
#include "support/ProgramFixture.h"

#include <QSettings>
#include <gtest/gtest.h>

using namespace vrq;

namespace {

class StartupShutdownTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString iniPath = dir.filePath(QStringLiteral("VRQToQX7.ini"));
    ManualClock clock{QDateTime(QDate(2026, 12, 5), QTime(8, 0, 0))};
    test::RecordingUserInterface ui;

    std::unique_ptr<Application> makeApp() {
        ApplicationSeams seams;
        seams.clock = &clock;
        seams.settingsBackend = SettingsBackend::openIniFile(iniPath);
        seams.programFolder = dir.filePath(QStringLiteral("program"));
        return std::make_unique<Application>(QLatin1Char('F'), ui, std::move(seams));
    }
    QStringList auditTexts(Application& app) {
        QStringList texts;
        for (const AuditRow& row : app.context().store->allAudit())
            texts << row.type + QLatin1Char('|') + row.msg + QLatin1Char('|') +
                         row.instance.value_or(QString());
        return texts;
    }
};

TEST_F(StartupShutdownTest, StartAndStopWriteTheirEntriesAndSaveTheSettings) {
    auto app = makeApp();
    const Result started = app->startUp();
    ASSERT_TRUE(started.ok()) << started.message.toStdString();
    clock.advanceMs(3600 * 1000);
    app->shutDown();
    EXPECT_EQ(
        auditTexts(*app),
        (QStringList{QStringLiteral("1|Program started (Version: %1).|F").arg(Application::versionText()),
                     QStringLiteral("0|Program stopped|F")}));
    auto saved = SettingsBackend::openIniFile(iniPath);
    EXPECT_EQ(saved->value(QStringLiteral("Miscellaneous"), QStringLiteral("LastDateRun")),
              QStringLiteral("12/05/2026 08:00:00"))
        << "the saved LastDateRun is the start time of the run";
    EXPECT_FALSE(saved->value(QStringLiteral("Miscellaneous"), QStringLiteral("ProcessDelay")).has_value());
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("program/CallsAndOrders.db"))));
}

TEST_F(StartupShutdownTest, ABadSettingIsReportedAsAnErrorEntryAndTheRunGoesOn) {
    QSettings(iniPath, QSettings::IniFormat)
        .setValue(QStringLiteral("QX7/FileScanMinutes"), QStringLiteral("abc"));
    auto app = makeApp();
    ASSERT_TRUE(app->startUp().ok());
    EXPECT_EQ(app->context().settings.FileScanMinutes, 30);
    const QStringList texts = auditTexts(*app);
    ASSERT_EQ(texts.size(), 2);
    EXPECT_TRUE(texts[1].startsWith(QStringLiteral("E|Setting QX7\\FileScanMinutes holds \"abc\"")));
}

TEST_F(StartupShutdownTest, AStoreThatCannotBeOpenedFailsTheStartWithAMessage) {
    QDir().mkpath(
        dir.filePath(QStringLiteral("program/CallsAndOrders.db"))); // a folder where the file should be
    auto app = makeApp();
    const Result started = app->startUp();
    EXPECT_FALSE(started.ok());
    EXPECT_TRUE(started.message.contains(QStringLiteral("CallsAndOrders.db")));
}

TEST_F(StartupShutdownTest, ASettingsFileThatCannotBeWrittenIsReportedAtStartAndAtEveryFailedSave) {
    // The settings file's folder is a plain file: nothing can ever be written there.
    ASSERT_TRUE(test::ProgramFixture::writeFile(dir.filePath(QStringLiteral("settings")), ""));
    iniPath = dir.filePath(QStringLiteral("settings/VRQToQX7.ini"));
    const auto started = makeApp();
    Application& app = *started;
    ASSERT_TRUE(app.startUp().ok());
    const auto settingsErrors = [&] { return auditTexts(app).filter(QStringLiteral("E|")).filter(iniPath); };
    EXPECT_EQ(settingsErrors().size(), 1) << auditTexts(app).join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(ui.messages.filter(iniPath).size(), 1) << ui.messages.join(QLatin1Char('\n')).toStdString();

    app.context().settings.NextDataBinNum = 7;
    app.saveSettings();
    app.context().settings.NextDataBinNum = 8;
    app.saveSettings();
    EXPECT_EQ(settingsErrors().size(), 3) << "each failed save is reported";
    EXPECT_EQ(ui.messages.filter(iniPath).size(), 3);
}

} // namespace
