#include "ui/WindowMode.h"

#include "context/NetworkConnection.h"
#include "platform/Clock.h"
#include "platform/FolderLock.h"
#include "platform/Paths.h"
#include "platform/SingleInstance.h"
#include "shell/Application.h"
#include "shell/CommandLine.h"
#include "shell/InitialSetup.h"
#include "store/AuditLog.h"
#include "ui/NetworkErrorWindow.h"
#include "ui/ProgramTitle.h"
#include "ui/SecondClickGuard.h"
#include "ui/StatusSummary.h"
#include "ui/StatusTray.h"
#include "ui/TrayWatch.h"
#include "ui/config/AboutBox.h"
#include "ui/config/PropertiesDialog.h"
#include "ui/viewers/AuditLogWindow.h"
#include "ui/viewers/CallDetailsWindow.h"
#include "ui/viewers/CallsWindow.h"
#include "ui/viewers/ListCallsDialog.h"
#include "ui/viewers/OrdersViewWindow.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTextStream>
#include <QTimer>

#include <atomic>
#include <csignal>

namespace vrq {

namespace {

std::atomic_bool g_closeRequested{false};

constexpr int kStatusRefreshMs = 30000;

extern "C" void requestClose(int) {
    g_closeRequested.store(true);
}

// Why this start is refused, by what holds the program folder.
QString refusalText(const FolderLock& lock) {
    if (lock.holderMode() == QLatin1String("service"))
        return QStringLiteral("VRQToQX7 runs as a service for this program folder and sends the orders. "
                              "Stop the service before starting the program with its window.");
    if (lock.holderMode() == QLatin1String("once"))
        return QStringLiteral("A single VRQToQX7 pass (--once) is running for this program folder. "
                              "Start the program again when it has finished.");
    return lock.error();
}

// The first-run setup's requests, answered with the windows of this mode.
class SetupSteps : public InitialSetupHost {
public:
    SetupSteps(std::function<void()> loadProgram, std::function<QWidget*()> owner,
               std::function<void(QWidget*)> openProperties, std::function<bool()> stopping)
        : m_loadProgram(std::move(loadProgram)), m_owner(std::move(owner)),
          m_openProperties(std::move(openProperties)), m_stopping(std::move(stopping)) {}

    void openProperties() override {
        // The program loads now: the old DataBin.Dat is set aside, and the calls window comes up behind.
        m_loadProgram();
        m_openProperties(m_owner());
    }
    bool confirmAutostartEntry(const QString& entryPath) override {
        if (m_stopping())
            return false;
        const QString text = QStringLiteral("Start VRQToQX7 with your session, so that orders are sent "
                                            "whenever this workstation is in use?\n\nThis adds the entry %1.")
                                 .arg(entryPath);
        return QMessageBox::question(m_owner(), programTitle(), text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::Yes) == QMessageBox::Yes;
    }
    void showMessage(const QString& text) override {
        if (!m_stopping())
            QMessageBox::information(m_owner(), programTitle(), text);
    }

private:
    std::function<void()> m_loadProgram;
    std::function<QWidget*()> m_owner;
    std::function<void(QWidget*)> m_openProperties;
    std::function<bool()> m_stopping;
};

} // namespace

void WindowMode::requestStop() {
    g_closeRequested.store(true);
}

WindowMode::WindowMode() = default;

WindowMode::~WindowMode() {
    m_trayWatch.reset();
    m_tray.reset();
    delete m_networkErrorWindow;
    delete m_callsWindow;
}

int WindowMode::run() {
    g_closeRequested.store(false);
    // The session ending (SIGHUP too) or a service manager stopping the program ends every wait (message
    // boxes, the network error window) and closes the Calls window without the question.
    std::signal(SIGTERM, requestClose);
    std::signal(SIGINT, requestClose);
    std::signal(SIGHUP, requestClose);
    auto* closeWatch = new QTimer(this);
    connect(closeWatch, &QTimer::timeout, this, &WindowMode::onCloseWatch);
    closeWatch->start(200);

    const QString folder = programFolder();
    m_instance = std::make_unique<SingleInstance>(folder);
    // A running copy raises its Calls window; this one ends without touching settings, store or log.
    if (m_instance->activateRunningInstance())
        return ExitCode::kOk;
    // One resident copy per program folder, whatever its mode: beside a service or a pass this start
    // is refused, so two copies never take in or send the same calls.
    m_folderLock = std::make_unique<FolderLock>(folder);
    if (!m_folderLock->tryLock(QStringLiteral("window"))) {
        QTextStream(stderr) << refusalText(*m_folderLock) << Qt::endl;
        warn(refusalText(*m_folderLock));
        return ExitCode::kFolderInUse;
    }
    if (!m_instance->listen())
        m_listenError = m_instance->listenError();
    connect(m_instance.get(), &SingleInstance::activationRequested, this, &WindowMode::raiseCallsWindow);

    // The process ends when the resident program has saved the settings, not when the last window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    m_secondClickGuard = std::make_unique<SecondClickGuard>();
    qApp->installEventFilter(m_secondClickGuard.get());
    m_app = std::make_unique<Application>(QLatin1Char('F'), *this);
    m_resident = std::make_unique<ResidentProgram>(*m_app, *this);
    connect(m_resident.get(), &ResidentProgram::stopped, qApp, &QCoreApplication::quit);

    if (const Result started = m_resident->start(); !started.ok()) {
        QTextStream(stderr) << started.message << Qt::endl;
        warn(started.message);
        return started.isInUse() ? ExitCode::kFolderInUse : ExitCode::kStartFailed;
    }
    reportListenError();
    for (const SettingProblem& problem : m_app->settingProblems())
        warn(problem.describe());
    return QApplication::exec();
}

bool WindowMode::stopRequested() const {
    return g_closeRequested.load();
}

void WindowMode::warn(const QString& text) {
    if (!stopRequested())
        QMessageBox::warning(m_callsWindow, programTitle(), text);
}

void WindowMode::reportListenError() {
    if (m_listenError.isEmpty())
        return;
    // A second start can then not raise this window; it is refused by the folder lock instead.
    const QString text =
        QStringLiteral("The single-instance socket cannot be opened (%1): a second start shows a message "
                       "instead of raising the Calls window.")
            .arg(m_listenError);
    QTextStream(stderr) << text << Qt::endl;
    if (AuditLog* audit = m_app->context().audit)
        audit->write(AuditType::Warning, text);
}

void WindowMode::onCloseWatch() {
    if (!stopRequested())
        return;
    // First end every modal wait; the Calls window is closed on a later tick, once the waits have
    // returned, so no close runs inside a dialog that is still on the stack.
    if (closeModalWindows())
        return;
    if (m_callsWindow)
        m_callsWindow->close();
    else if (m_resident)
        m_resident->requestExit();
}

bool WindowMode::closeModalWindows() {
    bool closedAny = false;
    for (int guard = 0; guard < 16; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        closedAny = true;
    }
    return closedAny;
}

void WindowMode::updateCallDisplay(int callNumber, CallDisplay mode) {
    if (m_callsWindow)
        m_callsWindow->updateCallDisplay(callNumber, mode);
}

void WindowMode::updateCallRow(int source, int callNumber, CallDisplay mode) {
    if (m_callsWindow)
        m_callsWindow->updateCallDisplay(source, callNumber, mode);
}

void WindowMode::showMessage(const QString& text) {
    if (stopRequested())
        return;
    QMessageBox::information(m_callsWindow, programTitle(), text);
}

bool WindowMode::waitForHostFolder(const QDateTime& since, const std::function<bool()>&) {
    if (!m_networkErrorClosed)
        showNetworkError(since);
    return false;
}

void WindowMode::showNetworkError(const QDateTime& since) {
    if (stopRequested())
        return;
    const QDateTime awaySince = m_app->context().status.hostAwaySince;
    const QDateTime started = awaySince.isValid() ? awaySince : since;
    if (!m_networkErrorWindow) {
        m_networkErrorWindow = new NetworkErrorWindow(started, hostFolder(), m_callsWindow);
        connect(m_networkErrorWindow, &NetworkErrorWindow::propertiesRequested, this, [this] {
            openProperties(m_networkErrorWindow);
            hideNetworkErrorWhenBack();
        });
        // Closed with the close box or Escape: it stays away until the next outage or until asked for.
        connect(m_networkErrorWindow, &QDialog::rejected, this, [this] { m_networkErrorClosed = true; });
    } else if (m_networkErrorWindow->isVisible()) {
        return;
    } else {
        m_networkErrorWindow->showOutage(started, hostFolder());
    }
    m_networkErrorWindow->show();
}

void WindowMode::showConnectionProblem() {
    if (!m_app->context().status.hostAway())
        return;
    showNetworkError(m_app->context().status.hostAwaySince);
    if (!m_networkErrorWindow)
        return;
    m_networkErrorWindow->raise();
    m_networkErrorWindow->activateWindow();
}

void WindowMode::followOutage() {
    const bool away = m_app->context().status.hostAway();
    if (m_showProblemButton)
        m_showProblemButton->setVisible(away);
    if (away)
        return;
    m_networkErrorClosed = false;
    hideNetworkErrorWhenBack();
}

void WindowMode::hideNetworkErrorWhenBack() {
    if (!m_networkErrorWindow || !m_networkErrorWindow->isVisible() || m_app->context().status.hostAway())
        return;
    // Never from under the Properties dialog it owns: hidden once that has closed.
    if (!m_networkErrorWindow->findChildren<QDialog*>(Qt::FindDirectChildrenOnly).isEmpty())
        return;
    m_networkErrorWindow->hide(); // not rejected: the person did not close it
}

QString WindowMode::hostFolder() const {
    const AppContext& ctx = m_app->context();
    // The folder as its setting spells it: the one the retries try to reach.
    QString folder = ctx.settings.qx7Path;
    if (!PathResolver::isDrivePath(folder))
        return folder;
    NetworkConnection connection(m_app->context());
    return QStringLiteral("%1 (the share %2 on drive %3)")
        .arg(folder, connection.shareName(), connection.driveName());
}

StatusSummary WindowMode::currentStatus() {
    const AppContext& ctx = m_app->context();
    RunStatus status = ctx.status;
    // The folder of the setting; none while the setting is blank, whatever the last pass reached.
    if (PathResolver::trimRight(ctx.settings.qx7Path).isEmpty())
        status.hostFolder.clear();
    else if (status.hostFolder.isEmpty())
        status.hostFolder = ctx.settings.qx7Path;
    // Until this run takes or sends a call, the times are those of the audit log, so a restart does not
    // read as "none yet".
    if (!status.lastIntake.isValid() || !status.lastExport.isValid()) {
        if (!m_loggedTimes && ctx.store)
            m_loggedTimes = ctx.store->summary().loggedTimes();
        if (m_loggedTimes) {
            if (!status.lastIntake.isValid())
                status.lastIntake = m_loggedTimes->lastIntake;
            if (!status.lastExport.isValid())
                status.lastExport = m_loggedTimes->lastExport;
        }
    }
    const QDateTime now = ctx.clock ? ctx.clock->now() : QDateTime::currentDateTime();
    return StatusSummary(status, todaysCalls(now.date()), now);
}

DayCallCounts WindowMode::todaysCalls(const QDate& today) {
    const AppContext& ctx = m_app->context();
    if (m_dayCounted != today) {
        // A store that cannot count shows no calls rather than no status line.
        m_dayCounts = ctx.store ? ctx.store->audit().callCountsOfDay(today) : DayCallCounts{};
        m_dayCounted = today;
        m_goodAtCount = ctx.status.callsGood;
        m_badAtCount = ctx.status.callsBad;
    }
    DayCallCounts counts = m_dayCounts;
    counts.good += ctx.status.callsGood - m_goodAtCount;
    counts.bad += ctx.status.callsBad - m_badAtCount;
    return counts;
}

void WindowMode::statusChanged() {
    if (!m_app)
        return;
    const StatusSummary status = currentStatus();
    if (m_callsWindow)
        m_callsWindow->showStatus(status);
    if (m_tray) {
        m_tray->showStatus(status);
        if (m_lastStatus)
            for (const StatusNotice& notice : noticesBetween(*m_lastStatus, status))
                m_tray->notify(notice);
    }
    m_lastStatus = std::make_unique<StatusSummary>(status);
    followOutage();
}

void WindowMode::watchForTray() {
    if (m_trayWatch)
        return;
    m_trayWatch = std::make_unique<TrayWatch>(m_trayAvailable);
    connect(m_trayWatch.get(), &TrayWatch::available, this, &WindowMode::showTray);
    m_trayWatch->start();
}

void WindowMode::showTray() {
    if (m_tray)
        return;
    m_tray = std::make_unique<StatusTray>();
    connect(m_tray.get(), &StatusTray::showCallsRequested, this, &WindowMode::raiseCallsWindow);
    connect(m_tray.get(), &StatusTray::connectionProblemRequested, this, &WindowMode::showConnectionProblem);
    // The menu opens at the pointer, often with Exit right under it: the exit asks as the close box does.
    connect(m_tray.get(), &StatusTray::exitRequested, this, [this] {
        if (m_callsWindow)
            m_callsWindow->exitWhenConfirmed();
    });
    if (m_lastStatus)
        m_tray->showStatus(*m_lastStatus);
}

void WindowMode::processEvents() {
    if (!m_pacer.due())
        return;
    QCoreApplication::processEvents();
}

void WindowMode::showCallsWindow() {
    if (m_callsWindow)
        return;
    m_callsWindow = new CallsWindow(m_app->context());
    connect(m_callsWindow, &CallsWindow::unloaded, this, &WindowMode::onCallsWindowUnloaded);
    connect(m_callsWindow, &CallsWindow::saveAuditsRequested, this, &WindowMode::saveAudits);
    connect(m_callsWindow, &CallsWindow::propertiesRequested, this,
            [this] { openProperties(m_callsWindow); });
    connect(m_callsWindow, &CallsWindow::aboutRequested, this, &WindowMode::openAbout);
    connect(m_callsWindow, &CallsWindow::ordersViewRequested, this, &WindowMode::openOrdersView);
    connect(m_callsWindow, &CallsWindow::listOfCallsRequested, this, &WindowMode::openListOfCalls);
    connect(m_callsWindow, &CallsWindow::auditLogRequested, this, &WindowMode::openAuditLog);
    using Entry = CallsWindow::MenuEntry;
    for (Entry entry : {Entry::SaveAudits, Entry::Properties, Entry::About, Entry::OrdersBySalesperson,
                        Entry::OrdersByCustomer, Entry::OrdersByDate, Entry::ListOfCalls, Entry::AuditLog})
        m_callsWindow->setMenuEntryEnabled(entry, true);
    // Shown on the status line while the host folder is away.
    auto* showProblem = new QPushButton(QStringLiteral("Show connection problem"), m_callsWindow);
    showProblem->setObjectName(QStringLiteral("cmdShowConnectionProblem"));
    m_callsWindow->addStatusButton(showProblem);
    connect(showProblem, &QPushButton::clicked, this, &WindowMode::showConnectionProblem);
    m_showProblemButton = showProblem;
    watchForTray();
    statusChanged();
    connect(&m_statusTimer, &QTimer::timeout, this, [this] {
        m_dayCounted = QDate(); // count the log again: a batch run beside the program counts too
        statusChanged();
    });
    m_statusTimer.start(kStatusRefreshMs);
    m_callsWindow->show();
}

void WindowMode::runInitialSetup(const std::function<void()>& loadProgram) {
    SetupSteps steps(
        loadProgram, [this]() -> QWidget* { return m_callsWindow; },
        [this](QWidget* owner) { openProperties(owner); }, [this] { return stopRequested(); });
    InitialSetup setup(m_app->context(), InitialSetupPlaces::forThisPlatform(m_app->context()), steps);
    setup.run();
}

void WindowMode::openProperties(QWidget* owner) {
    if (stopRequested())
        return;
    PropertiesDialog dialog(
        m_app->context(), [this] { m_app->cycle().purgeNow(); }, owner);
    dialog.exec();
}

void WindowMode::openAbout() {
    AboutBox about(m_app->context(), m_callsWindow);
    about.exec();
}

void WindowMode::raiseCallsWindow() {
    if (!m_callsWindow)
        return;
    if (m_callsWindow->isMinimized())
        m_callsWindow->showNormal();
    m_callsWindow->raise();
    m_callsWindow->activateWindow();
}

void WindowMode::onCallsWindowUnloaded() {
    m_statusTimer.stop();
    if (m_networkErrorWindow)
        m_networkErrorWindow->hide();
    m_resident->requestExit();
}

void WindowMode::openOrdersView(int kind) {
    const OrderViewKind view = kind == CallsWindow::OrdersByCustomer ? OrderViewKind::ByCustomer
                               : kind == CallsWindow::OrdersByDate   ? OrderViewKind::ByDate
                                                                     : OrderViewKind::BySalesperson;
    OrdersViewWindow window(view, m_app->context(), m_callsWindow->headerPictures(),
                            m_callsWindow->selectedCall(), m_callsWindow);
    // A row click has set the selected call's source and number: its details, owned by the view.
    connect(&window, &OrdersViewWindow::callDetailsRequested, &window, [this, &window] {
        CallDetailsWindow details(m_app->context(), m_callsWindow->selectedCall(),
                                  m_callsWindow->headerPictures(), &window);
        details.exec();
    });
    window.exec();
}

void WindowMode::openListOfCalls() {
    ListCallsDialog dialog(m_app->context(), m_callsWindow);
    dialog.exec();
}

void WindowMode::openAuditLog() {
    AuditLogWindow window(m_app->context(), m_callsWindow);
    window.exec();
}

void WindowMode::saveAudits() {
    const AuditExportOutcome saved = m_app->runAuditExport();
    // The export traps nothing itself: its failure is logged here. Every outcome is shown.
    if (!saved.result.ok())
        if (AuditLog* audit = m_app->context().audit)
            audit->write(AuditType::Error, saved.result.message);
    showMessage(saved.text());
}

} // namespace vrq
