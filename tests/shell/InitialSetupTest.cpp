#include "shell/InitialSetup.h"
#include "support/ProgramFixture.h"
#include "support/TestNames.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using test::ProgramFixture;
using test::RowName;

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
    EXPECT_EQ(host.messages,
              QStringList{u"Your system is now configured.  To start VRQToQX7 with your session, "
                          "add an autostart entry to %1 that runs: /opt/vrq/vrqtoqx7"_s.arg(autostart())})
        << "declined: where to add one";
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
                           u"DataBin.Dat was set aside as %1/databin.sav.1; it is kept and its calls are not "
                           "taken in."_s.arg(dcs()),
                           u"Launchpad shortcut file found = Launch Pad.desktop"_s,
                           u"Launchpad data file found = "_s + dataFile,
                           u"Rename of %1 successful."_s.arg(dataFile),
                           u"Copied %1/VRQtoQX7.lpd to %2"_s.arg(f.programFolder(), dataFile),
                           u"Autostart entry %1/vrqtoqx7.desktop added."_s.arg(autostart())}));
    EXPECT_EQ(ProgramFixture::readFile(dcs() + u"/databin.sav.1"_s), "new calls");
    EXPECT_EQ(ProgramFixture::readFile(dcs() + u"/databin.sav"_s), "old calls") << "an earlier one is kept";
    EXPECT_FALSE(QFile::exists(dcs() + u"/DataBin.Dat"_s));
    EXPECT_EQ(ProgramFixture::readFile(pads + u"orders.sav"_s), "old launcher data");
    EXPECT_EQ(ProgramFixture::readFile(dataFile), "our launcher data");
    EXPECT_EQ(
        host.messages,
        QStringList{u"Your system is now configured.  VRQToQX7 now starts with your session: the "
                    "autostart entry %1/vrqtoqx7.desktop was added.  The launcher of the start-up entry "
                    "Launch Pad now starts VRQToQX7 too."_s.arg(autostart())});
    const QByteArray entry = ProgramFixture::readFile(autostart() + u"/vrqtoqx7.desktop"_s);
    EXPECT_TRUE(entry.contains("\nExec=/opt/vrq/vrqtoqx7\n")) << entry.toStdString();
    // The next run names an entry already there with what it should run, and does not offer it again.
    ProgramFixture::writeFile(autostart() + u"/vrqtoqx7.desktop"_s, "[Desktop Entry]\nExec=vrqtoqx7\n");
    host.offered.clear();
    host.messages.clear();
    run();
    EXPECT_TRUE(host.offered.isEmpty());
    EXPECT_EQ(ProgramFixture::readFile(pads + u"orders.sav"_s), "old launcher data") << "kept at every run";
    EXPECT_EQ(
        host.messages,
        QStringList{
            u"Your system is now configured.  VRQToQX7 starts with your session from the autostart "
            "entry %1/vrqtoqx7.desktop, which was already there and is left as it is; it should run: "
            "/opt/vrq/vrqtoqx7  The launcher of the start-up entry Launch Pad now starts VRQToQX7 too."_s.arg(
                autostart())});
}

// While the host is not set the setup runs at every start. Only the first run sets DataBin.Dat aside;
// the calls that reach it later are left to the intake, and no set-aside file is ever deleted.
TEST_F(InitialSetupTest, OnlyTheFirstRunSetsDataBinAsideAndNothingSetAsideIsDeleted) {
    ProgramFixture::writeFile(dcs() + u"/DataBin.Dat"_s, "calls from before");
    run();
    ProgramFixture::writeFile(dcs() + u"/DataBin.Dat"_s, "calls since the first run");
    run();
    run();
    EXPECT_EQ(ProgramFixture::readFile(dcs() + u"/databin.sav"_s), "calls from before");
    EXPECT_EQ(ProgramFixture::readFile(dcs() + u"/DataBin.Dat"_s), "calls since the first run");
    EXPECT_EQ(QDir(dcs()).entryList(QDir::Files).size(), 2);
    EXPECT_EQ(
        f.auditMessages(u"I"_s).filter(u"DataBin.Dat"_s, Qt::CaseInsensitive),
        (QStringList{
            u"Rename of databin.dat successful."_s,
            u"DataBin.Dat was set aside as %1/databin.sav; it is kept and its calls are not taken in."_s.arg(
                dcs()),
            u"DataBin.Dat was set aside at the first setup; it is left for the intake."_s,
            u"DataBin.Dat was set aside at the first setup; it is left for the intake."_s}));
}

// The Exec value of the autostart entry: env only when variables are set; an argument with a reserved
// character quoted, with ", `, $ and \ escaped inside the quotes, % doubled, and every backslash of the
// value doubled again as the file's string values require.
struct CommandCase {
    const char* name;
    QStringList environment;
    const char* executable;
    const char* exec;
};

class AutostartCommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(AutostartCommandTest, QuotesAsDesktopEntriesRequire) {
    const CommandCase& c = GetParam();
    EXPECT_EQ(InitialSetup::autostartCommand(c.environment, QString::fromUtf8(c.executable)),
              QString::fromUtf8(c.exec));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, AutostartCommandTest,
    ::testing::Values(CommandCase{"programOnly", {}, "/opt/vrq/vrqtoqx7", "/opt/vrq/vrqtoqx7"},
                      CommandCase{"programFolderSet",
                                  {u"VRQTOQX7_HOME=/srv/vrq"_s},
                                  "/opt/vrq/vrqtoqx7",
                                  "env VRQTOQX7_HOME=/srv/vrq /opt/vrq/vrqtoqx7"},
                      CommandCase{
                          "bothSetOneWithBlanks",
                          {u"VRQTOQX7_HOME=/home/clerk/Order Desk"_s, u"VRQTOQX7_SETTINGS=/etc/vrq.ini"_s},
                          "/opt/my vrq/vrqtoqx7",
                          "env \"VRQTOQX7_HOME=/home/clerk/Order Desk\" VRQTOQX7_SETTINGS=/etc/vrq.ini "
                          "\"/opt/my vrq/vrqtoqx7\""},
                      CommandCase{"charactersEscapedInQuotes",
                                  {u"VRQTOQX7_HOME=/srv/$a\"b`c\\d"_s},
                                  "/opt/vrqtoqx7",
                                  "env \"VRQTOQX7_HOME=/srv/\\\\$a\\\\\"b\\\\`c\\\\\\\\d\" /opt/vrqtoqx7"},
                      CommandCase{"percentDoubled",
                                  {u"VRQTOQX7_HOME=/srv/100%"_s},
                                  "/opt/vrqtoqx7",
                                  "env VRQTOQX7_HOME=/srv/100%% /opt/vrqtoqx7"}),
    RowName());

// A start with its program folder and settings file chosen by the environment writes an entry that
// chooses them too, so the next session does not start with the default folder and the setup again.
TEST_F(InitialSetupTest, TheAutostartEntryCarriesTheVariablesThisStartWasGiven) {
    const QByteArray oldHome = qgetenv("VRQTOQX7_HOME");
    const QByteArray oldSettings = qgetenv("VRQTOQX7_SETTINGS");
    qputenv("VRQTOQX7_HOME", QFile::encodeName(f.programFolder()));
    qputenv("VRQTOQX7_SETTINGS", QFile::encodeName(f.iniPath()));
    host.addAutostartEntry = true;
    run();
    for (const auto& [name, value] :
         {std::pair{"VRQTOQX7_HOME", oldHome}, {"VRQTOQX7_SETTINGS", oldSettings}})
        value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
    const QByteArray entry = ProgramFixture::readFile(autostart() + u"/vrqtoqx7.desktop"_s);
    EXPECT_TRUE(entry.contains("\nExec=env VRQTOQX7_HOME=" + QFile::encodeName(f.programFolder()) +
                               " VRQTOQX7_SETTINGS=" + QFile::encodeName(f.iniPath()) +
                               " /opt/vrq/vrqtoqx7\n"))
        << entry.toStdString();
}

} // namespace
