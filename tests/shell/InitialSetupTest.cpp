#include "shell/InitialSetup.h"
#include "support/ProgramFixture.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace vrq;
using test::ProgramFixture;

namespace {

class RecordingSetupHost : public InitialSetupHost {
public:
    void openProperties() override { ++propertiesOpened; }
    bool confirmAutostartEntry(const QString& entryPath) override {
        offered << entryPath;
        return addAutostartEntry;
    }
    void showMessage(const QString& text) override { messages << text; }

    int propertiesOpened = 0;
    bool addAutostartEntry = false;
    QStringList offered;
    QStringList messages;
};

// A first run in a fixture whose session configuration lives in <dir>/config: the autostart folder is
// <dir>/config/autostart, and C:\ZIR32\DCS\ is <program>/drives/C/ZIR32/DCS.
class InitialSetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_oldConfigHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(f.path(QStringLiteral("config"))));
        QDir().mkpath(autostart());
        QDir().mkpath(dcs());
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", m_oldConfigHome); }

    QString autostart() const { return f.path(QStringLiteral("config/autostart")); }
    QString dcs() const { return f.programFolder() + QStringLiteral("/drives/C/ZIR32/DCS"); }
    // The places are found as the program finds them at start, with the files the test has laid out.
    void run() {
        InitialSetupPlaces places = InitialSetupPlaces::forThisPlatform(f.ctx);
        places.programExecutable = QStringLiteral("/opt/vrq/vrqtoqx7");
        InitialSetup setup(f.ctx, places, host);
        setup.run();
    }

    ProgramFixture f;
    RecordingSetupHost host;

private:
    QByteArray m_oldConfigHome;
};

TEST_F(InitialSetupTest, WithoutLauncherEntryLogsEachStepAndStillOpensTheProperties) {
    ProgramFixture::writeFile(autostart() + QStringLiteral("/other.desktop"),
                              "[Desktop Entry]\nExec=xterm\n");
    run();
    EXPECT_EQ(
        f.auditMessages(QStringLiteral("I")),
        (QStringList{QStringLiteral("Rename of databin.dat failed."),
                     QStringLiteral("Launchpad data file not found."), QStringLiteral("Rename of  failed."),
                     QStringLiteral("Copied %1/VRQtoQX7.lpd to ").arg(f.programFolder())}));
    EXPECT_EQ(host.propertiesOpened, 1);
    EXPECT_TRUE(host.messages.isEmpty()) << "no launcher entry, no final message";
    EXPECT_EQ(host.offered, QStringList{autostart() + QStringLiteral("/vrqtoqx7.desktop")});
    EXPECT_FALSE(QFile::exists(autostart() + QStringLiteral("/vrqtoqx7.desktop"))) << "declined";
}

TEST_F(InitialSetupTest, PointsTheLauncherAtTheProgramAndAddsItsOwnAutostartEntryWhenThePersonAgrees) {
    const QString pads = f.makeFolder(QStringLiteral("pads"));
    const QString dataFile = pads + QStringLiteral("orders.lpd");
    ProgramFixture::writeFile(dataFile, "old launcher data");
    ProgramFixture::writeFile(pads + QStringLiteral("orders.sav"), "older copy");
    ProgramFixture::writeFile(autostart() + QStringLiteral("/.hidden.desktop"),
                              "Exec=wine LNCHPD32.EXE /elsewhere/x.lpd\n");
    ProgramFixture::writeFile(autostart() + QStringLiteral("/Launch Pad.desktop"),
                              "[Desktop Entry]\nName=Launch Pad\nExec=wine C:\\\\LP\\\\lnchpd32.exe " +
                                  dataFile.toUtf8() + "\nTerminal=false\n");
    ProgramFixture::writeFile(dcs() + QStringLiteral("/DataBin.Dat"), "new calls");
    ProgramFixture::writeFile(dcs() + QStringLiteral("/databin.sav"), "old calls");
    ProgramFixture::writeFile(f.programFolder() + QStringLiteral("/VRQtoQX7.lpd"), "our launcher data");
    host.addAutostartEntry = true;
    run();

    EXPECT_EQ(f.auditMessages(QStringLiteral("I")),
              (QStringList{QStringLiteral("Rename of databin.dat successful."),
                           QStringLiteral("Launchpad shortcut file found = Launch Pad.desktop"),
                           QStringLiteral("Launchpad data file found = ") + dataFile,
                           QStringLiteral("Rename of %1 successful.").arg(dataFile),
                           QStringLiteral("Copied %1/VRQtoQX7.lpd to %2").arg(f.programFolder(), dataFile),
                           QStringLiteral("Autostart entry %1/vrqtoqx7.desktop added.").arg(autostart())}));
    EXPECT_EQ(ProgramFixture::readFile(dcs() + QStringLiteral("/databin.sav")), "new calls")
        << "the old set-aside file is replaced";
    EXPECT_FALSE(QFile::exists(dcs() + QStringLiteral("/DataBin.Dat")));
    EXPECT_EQ(ProgramFixture::readFile(pads + QStringLiteral("orders.sav")), "old launcher data");
    EXPECT_EQ(ProgramFixture::readFile(dataFile), "our launcher data");
    EXPECT_EQ(host.messages,
              QStringList{QStringLiteral("Your system is now configured.  To finish bringing up the "
                                         "software, do the following:  Click Start - Programs - "
                                         "StartUp - Launch Pad")});
    const QByteArray entry = ProgramFixture::readFile(autostart() + QStringLiteral("/vrqtoqx7.desktop"));
    EXPECT_TRUE(entry.contains("\nExec=/opt/vrq/vrqtoqx7\n")) << entry.toStdString();
    host.offered.clear();
    run();
    EXPECT_TRUE(host.offered.isEmpty()) << "an entry already there is not offered again";
}

} // namespace
