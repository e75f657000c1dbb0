#pragma once

#include "store/Store.h"

#include <QDateTime>
#include <QString>

namespace vrq {

struct AppContext;

// Reaching the host folder: the drive letter mapped to the host's share and the output folder on it.
// The writers test the folder before they write and call connectNetworkDrive when it is missing.
// Drive and share names are rebuilt from the settings on every use, so a change made while the
// host folder is away takes effect on the next retry.
class NetworkConnection {
public:
    explicit NetworkConnection(AppContext& ctx);

    // True when the folder (a setting text, resolved to a native path) exists. Never fails.
    bool folderExists(const QString& path) const;
    // True when the host folder exists; the run status follows what was found (away or reachable).
    bool hostFolderExists();
    // The state a run reports at its end: like hostFolderExists, but a missing folder gets one new
    // mapping first when the drive is connected automatically, as the export would do. A pass that
    // never looked at the host (its export held or idle) so reports the host, not a drive never mapped.
    // Writes no entry and never waits.
    bool hostFolderReachable();
    // Drops and re-creates the drive mapping; when that fails, writes the outage's start entry (once
    // per outage) and hands the outage to UserInterface::waitForHostFolder, which may hold the caller
    // until the folder is back (a service) or return at once (the windows, a single pass). True when the
    // host folder can be used and its entry is written; when the store refuses that entry, false with
    // the failure in logged. A folder still away leaves the run waiting for it (RunStatus::waitingForHost).
    bool connectNetworkDrive(Result& logged);
    // One retry of the network-error wait: true when the folder is reachable, after one new mapping if
    // needed.
    bool tryReconnect();
    // One retry for a run waiting for the host folder, as the cycle makes it once a tick: true when
    // nothing waits any more. A folder found again ends the outage with its entry, as connectNetworkDrive
    // does; a blank folder setting ends the wait too (the export then says what is missing). The drive is
    // mapped again only when AutoConnect is on.
    bool retryHostFolder();

    // "I:" for LocalDrive "I".
    QString driveName() const;
    // "\\" + QX7Name without trailing blanks + "\Qdls".
    QString shareName() const;
    // QX7Path without trailing blanks and without its closing separator ("I:\QX7Com\" -> "I:\QX7Com").
    QString folderToTest() const;

private:
    int remap();
    // The folder is there: the outage ends with its entry; false when the store refuses the entry.
    bool reached(Result& logged);

    AppContext& m_ctx;
    bool m_outageLogged = false;   // the outage's start entry is written
    QDateTime m_reconnectAskedFor; // the outage (its start) the person was asked to reconnect by hand
};

// The texts of the network-error window, kept here so the window only lays them out.
struct NetworkErrorMessage {
    // The audit entries that open and close an outage.
    static const QString& lostEntry();
    static const QString& establishedEntry();
    // The message when AutoConnect is off: as the window shows it, and as a console prints it.
    static const QString& reconnectByHand();
    static const QString& reconnectByHandOnConsole();
    static const QString& caption();
    static const QString& label1();
    static const QString& label2();
    static const QString& label3();
    static const QString& label4();
    static const QString& propertiesButton();

    // The moment the error started, as "HH:MM ampm MM/DD/YYYY." (12-hour clock, final period).
    static QString startTimeText(const QDateTime& since);
};

} // namespace vrq
