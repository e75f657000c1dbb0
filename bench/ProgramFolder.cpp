#include "ProgramFolder.h"

#include "BenchSupport.h"
#include "platform/SettingsBackend.h"
#include "store/Store.h"

#include <QDir>

namespace vrq::bench {

ProgramFolder::ProgramFolder(const QString& root)
    : home(makeFolder(root, QStringLiteral("home"))),
      settingsFile(QDir(root).filePath(QStringLiteral("VRQToQX7.ini"))),
      dataBinFolder(makeFolder(root, QStringLiteral("dcs"))),
      hostFolder(makeFolder(root, QStringLiteral("qx7"))) {}

QString ProgramFolder::dataBinPath() const {
    return QDir(dataBinFolder).filePath(QStringLiteral("DataBin.Dat"));
}

QString ProgramFolder::storePath() const {
    return QDir(home).filePath(QString::fromLatin1(kStoreFileName));
}

RunningProgram::RunningProgram(const ProgramFolder& folder, bool withHost)
    : m_ui(ConsoleUserInterface::Mode::SinglePass, nullptr) {
    ApplicationSeams seams;
    seams.programFolder = folder.home;
    seams.settingsBackend = SettingsBackend::openIniFile(folder.settingsFile);
    m_app = std::make_unique<Application>(QLatin1Char('F'), m_ui, std::move(seams));
    if (const Result started = m_app->startUp(); !started.ok())
        fail(started.message);
    Settings& settings = m_app->context().settings;
    settings.enableCalls = true;
    settings.enableFiles = false;
    settings.dataBinPath = folder.dataBinFolder + QLatin1Char('/');
    settings.qx7Path = withHost ? folder.hostFolder + QLatin1Char('/') : QString();
    settings.localDrive = QStringLiteral("I");
    settings.monitorNetwork = false;
    settings.systemId = 1;
    settings.lastSeqNum = 0;
}

RunningProgram::~RunningProgram() {
    m_app->shutDown();
}

} // namespace vrq::bench
