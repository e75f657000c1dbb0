#pragma once

#include "shell/Application.h"
#include "shell/ConsoleUserInterface.h"

#include <QString>
#include <memory>

namespace vrq::bench {

// A program folder with its own settings file, an input folder for DataBin.Dat and a host folder.
struct ProgramFolder {
    QString home;
    QString settingsFile;
    QString dataBinFolder;
    QString hostFolder;

    explicit ProgramFolder(const QString& root);
    QString dataBinPath() const;
    QString storePath() const;
};

// The program as `vrqtoqx7 --once` builds it: Application over the real clock, file system and
// drives, a console user interface, started up on the folder. Intake reads the folder's input folder;
// the export writes to its host folder when withHost, else it does nothing.
class RunningProgram {
public:
    RunningProgram(const ProgramFolder& folder, bool withHost);
    ~RunningProgram();

    Application& app() { return *m_app; }
    AppContext& context() { return m_app->context(); }

private:
    ConsoleUserInterface m_ui;
    std::unique_ptr<Application> m_app;
};

} // namespace vrq::bench
