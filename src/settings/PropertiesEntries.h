#pragma once

#include "settings/Settings.h"

#include <QString>
#include <QStringList>

namespace vrq {

struct Settings;
class DriveMapper;
class PathResolver;

// What the Properties dialog shows and the person edits: the texts of its boxes as typed, its check
// boxes and the position of the selected format.
struct PropertiesEntries {
    bool enableCalls = true;
    bool enableFiles = false;
    QString systemId;
    QString daysOfHistory;
    QString dataBinFolder;
    int formatIndex = 0;
    QString scannedFolder;
    QString fileScanMinutes;
    QString qx7Folder;
    QString qx7Name;
    QString localDrive;
    bool monitorNetwork = true;
    bool autoConnect = true;
    // The Store tab: the spin box keeps the workstation within 1-99.
    StoreBackend storeBackend = StoreBackend::SQLite; // the combo lists the backends in the enum's order
    QString storeConnection;
    int workstation = 1;
    bool takeOver = true;
};

// The dialog's boxes filled from the settings record.
PropertiesEntries propertiesFromSettings(const Settings& settings);

// The message of the first entry the settings cannot take, in the order OK checks them; empty when
// every entry passes. Fractions pass; a number box whose text is not a number is refused by name. The
// store connection is checked last, and only when PostgreSQL is chosen: it may not hold a password.
QString firstRefusal(const PropertiesEntries& entries);

// Folders of the entries that are not there or cannot be written, one line each, for the folders in
// use: the DataBin.Dat folder when calls are taken in, the scanned folder when files are, and always
// the host folder. The person may keep them: a network folder may be away for the moment.
QStringList folderConcerns(const PropertiesEntries& entries, const PathResolver& paths);

// Puts entries that passed firstRefusal into the record; true when fewer days of history are kept now.
bool storeProperties(const PropertiesEntries& entries, Settings& settings);

// The mapping tried when the person leaves the local-drive box.
struct DriveConnection {
    QString drive;  // "I:"
    QString remote; // "\\HOST\Qdls"

    static DriveConnection of(const QString& localDrive, const QString& qx7Name);
    // What the dialog shows while it connects: remote, "  =>  ", drive.
    QString messageText() const;
    // Drops the drive's mapping (whatever the result) and maps it to the remote; 0 when that worked.
    int connect(DriveMapper& drives) const;
};

// Whole number of a number text, a half going to the even neighbour (2.5 gives 2, 3.5 gives 4).
qint64 wholeNumberOf(double value);

} // namespace vrq
