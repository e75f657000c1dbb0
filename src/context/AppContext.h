#pragma once

#include "context/RunStatus.h"
#include "settings/Settings.h"

#include <QChar>
#include <QString>

namespace vrq {

class AuditLog;
class Store;
class Clock;
class DriveMapper;
class FileSystem;
class PathResolver;
class SettingsStore;
class UserInterface;

// The process-wide state of one run: the settings record, the open store, the audit writer, the run mode,
// what the run has done so far, and the seams through which the program reaches the clock, the file system,
// the drive mapping and the person at the screen. Jobs hold a reference to it.
struct AppContext {
    Settings settings;
    SettingsStore* settingsStore = nullptr;
    Store* store = nullptr;
    AuditLog* audit = nullptr;
    const Clock* clock = nullptr;
    FileSystem* fs = nullptr;
    PathResolver* paths = nullptr;
    DriveMapper* drives = nullptr;
    UserInterface* ui = nullptr;
    RunStatus status;

    QChar runMode = QLatin1Char('F'); // "F" window and headless modes, "B" batch mode
    QString programFolder;
};

} // namespace vrq
