#include "shell/Application.h"

#include "audit/AuditExport.h"
#include "audit/PurgeJob.h"
#include "context/NetworkConnection.h"
#include "context/StatusUpdates.h"
#include "context/UserInterface.h"
#include "export/OrderExport.h"
#include "intake/DataBinIntake.h"
#include "intake/FolderScan.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/NetworkDrive.h"
#include "platform/Paths.h"
#include "platform/SettingsBackend.h"
#include "settings/StoreConnection.h"
#include "store/AuditLog.h"
#include "store/AuditSpool.h"
#include "store/Store.h"

#include <QDir>
#include <QTextStream>

namespace vrq {

Application::Application(QChar runMode, UserInterface& ui, ApplicationSeams seams) {
    m_ctx.runMode = runMode;
    m_ctx.ui = &ui;
    if (!seams.clock)
        m_ownClock = std::make_unique<SystemClock>();
    m_ctx.clock = seams.clock ? seams.clock : m_ownClock.get();
    m_ctx.fs = seams.fs ? seams.fs : &realFileSystem();
    m_backend =
        seams.settingsBackend ? std::move(seams.settingsBackend) : SettingsBackend::openDefault(*m_ctx.fs);
    m_settingsStore = std::make_unique<SettingsStore>(*m_backend, *m_ctx.clock);
    m_settingsStore->reportSaveFailuresTo([this](const QString& message) { reportSettingsFault(message); });
    m_ctx.settingsStore = m_settingsStore.get();
    m_ctx.programFolder = seams.programFolder.isEmpty() ? programFolder() : seams.programFolder;
    QDir().mkpath(m_ctx.programFolder);
    m_paths = std::make_unique<PathResolver>(m_ctx.programFolder, m_backend->driveMap());
    m_ctx.paths = m_paths.get();
    if (!seams.drives)
        m_ownDrives = makeSystemDriveMapper(*m_paths, m_backend->shareRoot());
    m_ctx.drives = seams.drives ? seams.drives : m_ownDrives.get();

    CycleJobs jobs;
    jobs.dataBinIntake = [this] { runDataBinIntake(); };
    jobs.scanFolder = [this] { return runFolderScan(); };
    jobs.exportCalls = [this] { runExport(); };
    jobs.purge = [this] { return runPurge(); };
    m_cycle = std::make_unique<ProcessingCycle>(m_ctx, std::move(jobs));
}

Application::~Application() = default;

QString Application::versionText() {
    return QStringLiteral("%1.%2.%3").arg(VRQ_VERSION_MAJOR).arg(VRQ_VERSION_MINOR).arg(VRQ_VERSION_PATCH);
}

QList<SettingProblem> Application::loadSettings() {
    m_settingProblems = m_settingsStore->load(m_ctx.settings);
    // Found now, not at the first save that fails.
    m_settingsWriteProblem = m_settingsStore->writeProblem();
    return m_settingProblems;
}

Result Application::openStore(StoreUpgrade upgrade) {
    const StoreLocation location = StoreLocation::fromSettings(m_ctx.settings, m_ctx.programFolder);
    Result opened;
    m_store = vrq::openStore(location, StoreAccess::ReadWrite, &opened);
    if (!m_store && location.backend != StoreBackend::SQLite)
        return opened;
    if (!m_store)
        return Result::failure(
            opened.code,
            QStringLiteral("The call store %1 cannot be opened: %2").arg(location.path, opened.message));
    // Before anything is written: a second program on the same workstation of a shared store stops here.
    // Batch mode checks a file beside the program that holds the workstation and stores no calls.
    if (Result claimed =
            m_ctx.runMode == QLatin1Char('B') ? Result::success() : m_store->units().claimWorkstation();
        !claimed.ok()) {
        m_store.reset();
        return claimed;
    }
    m_ctx.store = m_store.get();
    // A batch run on a store that was never started in window mode still needs the audit table.
    if (upgrade == StoreUpgrade::Always || m_store->schema().columnsOf(QStringLiteral("Audit")).isEmpty())
        m_store->schema().dataConversions();
    m_audit = std::make_unique<AuditLog>(m_store->audit(), *m_ctx.clock, m_ctx.runMode);
    m_ctx.audit = m_audit.get();
    m_auditSpool = std::make_unique<AuditSpool>(
        *m_ctx.fs, QDir(m_ctx.programFolder).filePath(QStringLiteral("AuditSpool.txt")));
    m_audit->keepUnreachableErrorsIn(m_auditSpool.get());
    // Entries kept while the server was away at the last run come before this run's.
    writeSpooledEntries();
    return Result::success();
}

Result Application::startUp() {
    loadSettings();
    m_ctx.settings.lastDateRun = m_ctx.clock->now();
    QDir::setCurrent(m_ctx.programFolder);
    if (Result opened = openStore(StoreUpgrade::Always); !opened.ok())
        return opened;
    m_dataBinIntake = std::make_unique<DataBinIntake>(m_ctx);
    m_folderScan = std::make_unique<FolderScan>(m_ctx);
    if (!m_scanListingFile.isEmpty())
        m_folderScan->keepListingIn(m_scanListingFile);
    m_network = std::make_unique<NetworkConnection>(m_ctx);
    m_orderExport = std::make_unique<OrderExport>(m_ctx, *m_network);
    m_auditExport = std::make_unique<AuditExport>(m_ctx, *m_network);
    m_purge = std::make_unique<PurgeJob>(m_ctx, *m_auditExport);

    storeTakesWrites(); // a store this user cannot write is told first
    m_audit->write(AuditType::Started, QStringLiteral("Program started (Version: %1).").arg(versionText()));
    reportSettingProblems();
    // Before the first call is taken in; should the store refuse it now, the first export pass says so.
    m_orderExport->registerSystem();
    return Result::success();
}

void Application::reportSettingProblems() {
    for (const SettingProblem& problem : m_settingProblems) {
        QTextStream(stderr) << problem.describe() << Qt::endl;
        m_audit->write(AuditType::Error, problem.describe());
    }
    if (!m_settingsWriteProblem.isEmpty())
        reportSettingsFault(m_settingsWriteProblem);
    // An SQLite store does not use the connection, but a password written there is still readable by
    // anyone who can read the settings file: said at every start until it is taken out.
    if (m_ctx.settings.storeBackend == StoreBackend::SQLite) {
        if (const QString refusal = StoreConnection::passwordRefusal(m_ctx.settings.storeConnection);
            !refusal.isEmpty()) {
            QTextStream(stderr) << refusal << Qt::endl;
            m_audit->write(AuditType::Error, refusal);
        }
    }
}

void Application::reportSettingsFault(const QString& message) {
    m_ctx.ui->reportFault(message);
    if (m_audit)
        m_audit->write(AuditType::Error, message);
}

void Application::saveSettings() {
    m_settingsStore->save(m_ctx.settings);
}

void Application::shutDown() {
    saveSettings();
    if (m_audit)
        m_audit->write(AuditType::Stopped, QStringLiteral("Program stopped"));
    if (m_store)
        m_store->units().checkpoint();
}

bool Application::storeTakesWrites() {
    if (!m_store)
        return false;
    if (!m_storeRetry.due(m_ctx.clock->now()))
        return false; // the server is away and its next try is not due
    if (!m_store->units().refusesWrites() && m_store->units().fileMoved())
        keepMovedStore();
    Result writable = m_store->units().reconnect();
    if (writable.ok())
        writable = m_store->units().writable(WriteTrial::Write);
    if (writable.isUnreachable() || writable.isInUse()) {
        storeAway(writable);
        return false;
    }
    if (m_storeRetry.failing())
        storeBack();
    runstatus::storeRefusing(m_ctx, writable.ok() ? QString() : writable.message);
    return writable.ok();
}

void Application::storeAway(const Result& away) {
    m_storeRetry.failed(m_ctx.clock->now());
    if (away.isInUse()) {
        // Taken while this program was cut off from the server: the other copy sends this workstation's
        // calls now, and this one waits until it stops.
        runstatus::storeAway(m_ctx, QStringLiteral("workstation %1 is in use by another copy of the program, "
                                                   "which took it while this one was cut off from the server")
                                        .arg(m_ctx.settings.workstation));
        return;
    }
    // libpq's messages run over several lines; the first says what happened.
    const QString cause = away.message.section(QLatin1Char('\n'), 0, 0).trimmed();
    runstatus::storeAway(m_ctx, QStringLiteral("the database server cannot be reached (%1)").arg(cause));
}

void Application::storeBack() {
    m_storeRetry.succeeded();
    writeSpooledEntries();
}

void Application::writeSpooledEntries() {
    if (m_auditSpool->empty())
        return;
    int written = 0;
    int unreadable = 0;
    const Result result = m_auditSpool->writeInto(m_store->audit(), m_store->units(), &written, &unreadable);
    if (!result.ok()) {
        QTextStream(stderr) << QStringLiteral("The audit entries kept in %1 could not be written yet: %2")
                                   .arg(m_auditSpool->path(), result.message)
                            << Qt::endl;
        return;
    }
    if (unreadable > 0)
        m_audit->write(AuditType::Warning,
                       QStringLiteral("%1 line(s) of %2 were not audit entries this program kept; they "
                                      "were dropped.")
                           .arg(unreadable)
                           .arg(m_auditSpool->path()));
}

void Application::keepMovedStore() {
    // The calls it holds, pending ones among them, are nowhere else: a new store made at the next start
    // would not have them.
    const QString kept =
        QDir(m_ctx.programFolder)
            .filePath(QStringLiteral("CallsAndOrders-kept-%1.db")
                          .arg(m_ctx.clock->now().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    const Result saved = m_store->units().saveCopy(kept);
    const QString moved = QStringLiteral("%1 was deleted or replaced while the program ran; ")
                              .arg(QDir::toNativeSeparators(m_store->units().path()));
    m_store->units().refuseWrites(
        moved + (saved.ok()
                     ? QStringLiteral("what the program held is kept in %1. Stop the program, put the "
                                      "store to go on with in its place and start the program again")
                           .arg(QDir::toNativeSeparators(kept))
                     : QStringLiteral("what the program held could not be kept (%1). Stop the program, "
                                      "put the store to go on with in its place and start it again")
                           .arg(saved.message)));
}

void Application::runDataBinIntake() {
    if (m_dataBinIntake && storeTakesWrites())
        m_dataBinIntake->run();
}

Result Application::runFolderScan() {
    if (!m_folderScan)
        return Result::failure(QStringLiteral("the program has not started"));
    if (!storeTakesWrites())
        return Result::success(); // the refusal is told once, not as a failed scan at every pass
    return m_folderScan->run();
}

void Application::keepScanListingBetweenRuns() {
    m_scanListingFile = QDir(m_ctx.programFolder).filePath(QStringLiteral("ScannedFolder.json"));
    if (m_folderScan)
        m_folderScan->keepListingIn(m_scanListingFile);
}

void Application::runExport() {
    // An order sent from a store that cannot mark it sent would be sent again.
    if (m_orderExport && storeTakesWrites())
        m_orderExport->extractCalls();
}

Result Application::runPurge() {
    if (!m_purge)
        return Result::failure(QStringLiteral("the call store is not open"));
    if (!storeTakesWrites())
        return Result::success();
    return m_purge->purgeCalls();
}

void Application::checkHostFolder() {
    if (m_network && !PathResolver::trimRight(m_ctx.settings.qx7Path).isEmpty())
        m_network->hostFolderReachable();
}

AuditExportOutcome Application::runAuditExport() {
    if (!m_auditExport) {
        AuditExportOutcome notOpen;
        notOpen.done = AuditExportOutcome::Done::Failed;
        notOpen.result = Result::failure(QStringLiteral("the call store is not open"));
        return notOpen;
    }
    return m_auditExport->exportAudits();
}

} // namespace vrq
