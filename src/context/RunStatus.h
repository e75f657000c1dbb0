#pragma once

#include <QDateTime>
#include <QString>

namespace vrq {

// What this run has done and where it stands: the jobs fill it in as they go; the status line, the tray
// icon and the one-line summary of a headless pass read it. Counts are since the process started.
struct RunStatus {
    int callsGood = 0;            // calls taken and judged good (DataBin.Dat and scanned files)
    int callsBad = 0;             // calls taken and judged bad
    int scannedFilesTaken = 0;    // files taken from the scanned folder
    int orderFilesWritten = 0;    // order files renamed to their final name in the host folder
    int othersCallsSent = 0;      // of them, calls of other workstations sharing the store
    int lastOtherWorkstation = 0; // whose call was the last of those
    int failedSteps = 0;          // steps that ended with an error other than the host folder being away
    QDateTime lastIntake{};       // when the last call was taken
    QDateTime lastExport{};       // when the last order file was written
    QString hostFolder{};         // the folder the order files go into
    QDateTime hostAwaySince{};    // when the host folder was lost; invalid while it is reachable
    bool hostChecked = false;     // the host folder was tested; until then nobody knows if it is there
    QString purgeError{};         // why the purge keeps failing; empty once it succeeds
    QString dataBinError{};       // why DataBin.Dat cannot be opened; empty once it can
    QString storeError{}; // why the store keeps no writes (no call is taken or sent); empty once it does
    // A job stopped at the lost host folder and nothing holds it until the folder is back (the windows
    // never do): the cycle retries the folder once a tick and holds the export until it returns.
    bool waitingForHost = false;

    bool hostAway() const { return hostAwaySince.isValid(); }
};

} // namespace vrq
