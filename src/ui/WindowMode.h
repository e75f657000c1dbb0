#pragma once

#include "context/UserInterface.h"
#include "shell/ResidentProgram.h"
#include "store/StoreRecords.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <optional>

namespace vrq {

class Application;
class CallsWindow;
class FolderLock;
class NetworkErrorWindow;
class SecondClickGuard;
class SingleInstance;
class StatusSummary;
class StatusTray;
class TrayWatch;

// Window mode: the resident program with its Calls window. It is the window layer's side of the
// core's UserInterface and the host of the ResidentProgram.
class WindowMode : public QObject, public ResidentProgramHost, public UserInterface {
    Q_OBJECT
public:
    WindowMode();
    ~WindowMode() override;

    // Runs until the Calls window closes; the process exit code.
    int run();
    // What SIGTERM and SIGINT do: end every wait and close the program as "Exit" does.
    static void requestStop();

    // UserInterface
    void updateCallDisplay(int callNumber, CallDisplay mode) override;
    void updateCallRow(int source, int callNumber, CallDisplay mode) override;
    void showMessage(const QString& text) override;
    // Shows the network error window (unless the person closed it in this outage) and returns at once:
    // the windows stay usable, and the processing cycle retries the folder.
    bool waitForHostFolder(const QDateTime& since, const std::function<bool()>& tryReconnect) override;
    // Refreshes the status line and the tray, and notifies of what changed since the last refresh.
    void statusChanged() override;
    void processEvents() override;

    // ResidentProgramHost
    void showCallsWindow() override;
    void runInitialSetup(const std::function<void()>& loadProgram) override;

    // For tests: whether the desktop has a tray (the platform's answer unless set), and the tray icon
    // once there is one.
    void setTrayProbe(std::function<bool()> available) { m_trayAvailable = std::move(available); }
    StatusTray* tray() const { return m_tray.get(); }

private:
    void raiseCallsWindow();
    void onCallsWindowUnloaded();
    void saveAudits();
    // The Properties dialog, owned by the given window; a shorter history purges through the cycle.
    void openProperties(QWidget* owner);
    void openAbout();
    void openOrdersView(int kind);
    void openListOfCalls();
    void openAuditLog();
    // Shows the tray icon now, or as soon as the desktop's tray starts.
    void watchForTray();
    void showTray();
    // The network error window, not modal, over the Calls window; its start time is the outage's.
    void showNetworkError(const QDateTime& since);
    // "Show connection problem" from the status line or the tray: the window again, in front.
    void showConnectionProblem();
    // The outage's window and button follow the run's status: a folder back hides the window, and the
    // next outage shows it again even if the person closed it in this one.
    void followOutage();
    void hideNetworkErrorWhenBack();
    // The host folder as the status line names it: the run's, else the setting.
    QString hostFolder() const;
    StatusSummary currentStatus();
    // Today's good and bad calls: counted in the audit log at the first refresh of a day and at every
    // refresh of the timer, and in between raised by this run's own calls, so that a long intake does not
    // count the whole log once per call.
    DayCallCounts todaysCalls(const QDate& today);
    bool stopRequested() const;
    // A warning box, skipped once the program is being stopped.
    void warn(const QString& text);
    void reportListenError();
    void onCloseWatch();
    // Rejects every open modal window; true when there was one.
    bool closeModalWindows();

    std::unique_ptr<Application> m_app;
    std::unique_ptr<ResidentProgram> m_resident;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<FolderLock> m_folderLock;
    std::unique_ptr<SecondClickGuard> m_secondClickGuard;
    QString m_listenError;
    CallsWindow* m_callsWindow = nullptr;
    QPointer<NetworkErrorWindow> m_networkErrorWindow;
    bool m_networkErrorClosed = false;     // closed by the person in this outage
    QPointer<QWidget> m_showProblemButton; // the status line's "Show connection problem"
    std::unique_ptr<StatusTray> m_tray;
    std::unique_ptr<TrayWatch> m_trayWatch;
    std::function<bool()> m_trayAvailable;
    std::unique_ptr<StatusSummary> m_lastStatus;
    // Refreshes the status line now and then: times and today's counts age without any event.
    QTimer m_statusTimer;
    DayCallCounts m_dayCounts;
    std::optional<StoreSummary> m_loggedTimes; // the last intake and export the audit log holds, read once
    QDate m_dayCounted;
    int m_goodAtCount = 0;
    int m_badAtCount = 0;
    EventPacer m_pacer;
};

} // namespace vrq
