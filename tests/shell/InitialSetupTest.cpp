#include "shell/InitialSetup.h"
#include "support/ProgramFixture.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

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
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(f.path(u"config"_s)));
        QDir().mkpath(autostart());
        QDir().mkpath(dcs());
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", m_oldConfigHome); }

    QString autostart() const { return f.path(u"config/autostart"_s); }
    QString dcs() const { return f.programFolder() + u"/drives/C/ZIR32/DCS"_s; }
    // The places are found as the program finds them at start, with the files the test has laid out.
    void run() {
        InitialSetupPlaces places = InitialSetupPlaces::forThisPlatform(f.ctx);
        places.programExecutable = u"/opt/vrq/vrqtoqx7"_s;
        InitialSetup setup(f.ctx, places, host);
        setup.run();
    }

    ProgramFixture f;
    RecordingSetupHost host;

private:
    QByteArray m_oldConfigHome;
};

TEST_F(InitialSetupTest, WithoutLauncherEntryLogsEachStepAndStillOpensTheProperties) {
    ProgramFixture::writeFile(autostart() + u"/other.desktop"_s, "[Desktop Entry]\nExec=xterm\n");
    run();
    EXPECT_EQ(f.auditMessages(u"I"_s),
              (QStringList{u"Rename of databin.dat failed."_s, u"Launchpad data file not found."_s,
                           u"Rename of  failed."_s, u"Copied %1/VRQtoQX7.lpd to "_s.arg(f.programFolder())}));
    EXPECT_EQ(host.propertiesOpened, 1);
    EXPECT_TRUE(host.messages.isEmpty()) << "no launcher entry, no final message";
    EXPECT_EQ(host.offered, QStringList{autostart() + u"/vrqtoqx7.desktop"_s});
    EXPECT_FALSE(QFile::exists(autostart() + u"/vrqtoqx7.desktop"_s)) << "declined";
}

TEST_F(InitialSetupTest, PointsTheLauncherAtTheProgramAndAddsItsOwnAutostartEntryWhenThePersonAgrees) {
    const QString pads = f.makeFolder(u"pads"_s);
    const QString dataFile = pads + u"orders.lpd"_s;
    ProgramFixture::writeFile(dataFile, "old launcher data");
    ProgramFixture::writeFile(pads + u"orders.sav"_s, "older copy");
    ProgramFixture::writeFile(autostart() + u"/.hidden.desktop"_s,
                              "Exec=wine LNCHPD32.EXE /elsewhere/x.lpd\n");
    ProgramFixture::writeFile(autostart() + u"/Launch Pad.desktop"_s,
                              "[Desktop Entry]\nName=Launch Pad\nExec=wine C:\\\\LP\\\\lnchpd32.exe " +
                                  dataFile.toUtf8() + "\nTerminal=false\n");
    ProgramFixture::writeFile(dcs() + u"/DataBin.Dat"_s, "new calls");
    ProgramFixture::writeFile(dcs() + u"/databin.sav"_s, "old calls");
    ProgramFixture::writeFile(f.programFolder() + u"/VRQtoQX7.lpd"_s, "our launcher data");
    host.addAutostartEntry = true;
    run();

    EXPECT_EQ(f.auditMessages(u"I"_s),
              (QStringList{u"Rename of databin.dat successful."_s,
                           u"Launchpad shortcut file found = Launch Pad.desktop"_s,
                           u"Launchpad data file found = "_s + dataFile,
                           u"Rename of %1 successful."_s.arg(dataFile),
                           u"Copied %1/VRQtoQX7.lpd to %2"_s.arg(f.programFolder(), dataFile),
                           u"Autostart entry %1/vrqtoqx7.desktop added."_s.arg(autostart())}));
    EXPECT_EQ(ProgramFixture::readFile(dcs() + u"/databin.sav"_s), "new calls")
        << "the old set-aside file is replaced";
    EXPECT_FALSE(QFile::exists(dcs() + u"/DataBin.Dat"_s));
    EXPECT_EQ(ProgramFixture::readFile(pads + u"orders.sav"_s), "old launcher data");
    EXPECT_EQ(ProgramFixture::readFile(dataFile), "our launcher data");
    EXPECT_EQ(host.messages,
              QStringList{QStringLiteral("Your system is now configured.  To finish bringing up the "
                                         "software, do the following:  Click Start - Programs - "
                                         "StartUp - Launch Pad")});
    const QByteArray entry = ProgramFixture::readFile(autostart() + u"/vrqtoqx7.desktop"_s);
    EXPECT_TRUE(entry.contains("\nExec=/opt/vrq/vrqtoqx7\n")) << entry.toStdString();
    host.offered.clear();
    run();
    EXPECT_TRUE(host.offered.isEmpty()) << "an entry already there is not offered again";
}

} // namespace
