#pragma once

#include "audit/AuditExport.h"
#include "context/AppContext.h"
#include "platform/RetryWait.h"
#include "platform/SettingsBackend.h"
#include "settings/SettingsStore.h"
#include "shell/ProcessingCycle.h"

#include <QList>
#include <memory>

namespace vrq {

class AuditLog;
class AuditSpool;
class Store;
class Clock;
class DriveMapper;
class FileSystem;
class NetworkConnection;
class OrderExport;
class AuditExport;
class PurgeJob;
class PathResolver;
class SettingsBackend;
class UserInterface;
class DataBinIntake;
class FolderScan;

// Replacements for the real clock, file system, drive mapping, settings store and program folder.
struct ApplicationSeams {
    const Clock* clock = nullptr;                     // default: the system clock
    FileSystem* fs = nullptr;                         // default: the real file system
    DriveMapper* drives = nullptr;                    // default: the platform's drive mapper
    std::unique_ptr<SettingsBackend> settingsBackend; // default: the platform's settings store
    QString programFolder;                            // default: VRQTOQX7_HOME or the platform's folder
};

// The objects of one run and the start-up and shutdown that every mode but batch shares.
class Application {
public:
    Application(QChar runMode, UserInterface& ui, ApplicationSeams seams = ApplicationSeams());
    ~Application();

    // Start-up steps up to the "Program started" entry: settings, program folder, store, upgrade.
    // False with a message when the store cannot be opened.
    Result startUp();

    // The pieces of start-up that batch mode shares: the settings (the problems found), and the store
    // with its audit writer.
    QList<SettingProblem> loadSettings();
    enum class StoreUpgrade { Always, OnlyWithoutAuditTable };
    // Refused, with the message, for a PostgreSQL store: one whose connection holds a password, and for
    // now any other too.
    Result openStore(StoreUpgrade upgrade);
    // The settings that did not convert at the last load (reported by the caller's means too).
    const QList<SettingProblem>& settingProblems() const { return m_settingProblems; }
    // Saves every setting and writes "Program stopped".
    void shutDown();

    AppContext& context() { return m_ctx; }
    ProcessingCycle& cycle() { return *m_cycle; }
    void saveSettings();

    // Whether the store keeps writes now, checked before each job of the cycle (each of which writes to
    // it): a store moved away while the program ran is first copied, with everything it holds, into the
    // program folder, and refused from then on. A refusal is in the run status and told once while it
    // lasts; the jobs do not run meanwhile, so no call is taken from its file or sent. A store whose
    // server does not answer is away: said once (stderr, the status, one "E" entry kept in the spool
    // until the server answers), tried again after a wait that doubles from kFirstStoreRetrySeconds to
    // kLongestStoreRetrySeconds, and never with a message box that would hold the windows.
    bool storeTakesWrites();
    static constexpr int kFirstStoreRetrySeconds = 1;
    static constexpr int kLongestStoreRetrySeconds = 120;

    // The jobs of the cycle, also run directly by start-up and the headless pass.
    void runDataBinIntake();
    Result runFolderScan();
    void runExport();
    Result runPurge();
    // Tests the host folder (mapping the drive once if it is missing), so the run status says whether
    // the host is reachable.
    void checkHostFolder();
    // "Save Audits to File" of the calls window's menu: what was written, or why nothing was.
    AuditExportOutcome runAuditExport();

    // The single headless pass keeps the scanned folder's listing in a file between runs.
    void keepScanListingBetweenRuns();

    static QString versionText();

private:
    void reportSettingProblems();
    // Copies what the moved store holds beside its path and refuses writes to it with the reason.
    void keepMovedStore();
    // The server is not reached, or another copy took this workstation meanwhile: no job runs, and the
    // store is tried again after a wait.
    void storeAway(const Result& away);
    // The server answers again: the entries kept meanwhile are written first.
    void storeBack();
    void writeSpooledEntries();
    // A settings file that cannot be written: stderr, the person and an "E" entry once the store is open.
    void reportSettingsFault(const QString& message);

    AppContext m_ctx;
    std::unique_ptr<Clock> m_ownClock;
    std::unique_ptr<DriveMapper> m_ownDrives;
    std::unique_ptr<SettingsBackend> m_backend;
    std::unique_ptr<SettingsStore> m_settingsStore;
    std::unique_ptr<PathResolver> m_paths;
    std::unique_ptr<Store> m_store;
    std::unique_ptr<AuditLog> m_audit;
    std::unique_ptr<AuditSpool> m_auditSpool;
    RetryWait m_storeRetry{kFirstStoreRetrySeconds, kLongestStoreRetrySeconds};
    std::unique_ptr<NetworkConnection> m_network;
    std::unique_ptr<OrderExport> m_orderExport;
    std::unique_ptr<AuditExport> m_auditExport;
    std::unique_ptr<PurgeJob> m_purge;
    std::unique_ptr<ProcessingCycle> m_cycle;
    std::unique_ptr<DataBinIntake> m_dataBinIntake;
    std::unique_ptr<FolderScan> m_folderScan;
    QString m_scanListingFile;
    QList<SettingProblem> m_settingProblems;
    QString m_settingsWriteProblem;
};

} // namespace vrq
