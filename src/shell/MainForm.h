#pragma once

#include "platform/Result.h"

#include <QObject>
#include <QPoint>
#include <QTimer>
#include <functional>

namespace vrq {

class Application;

// What the hidden main form asks of the window layer.
class MainFormHost {
public:
    virtual ~MainFormHost() = default;
    virtual void showCallsWindow() = 0;
    // First run: the host name or folder is blank. loadForm loads the main form (one DataBin.Dat intake
    // and the calls window) when it has not loaded yet; the setup calls it after setting DataBin.Dat aside.
    virtual void runInitialSetup(const std::function<void()>& loadForm) = 0;
};

// frmMain: the hidden form that owns the two timers of the resident program. ExitTimer watches ExitNow;
// WaitTimer drives the processing cycle. It has no visible content of its own and is never shown.
class MainForm : public QObject {
    Q_OBJECT
public:
    MainForm(Application& app, MainFormHost& host);

    // The start-up sequence; a failure with its message when the store cannot be opened.
    Result start();

    // The ExitNow flag: the next ExitTimer tick unloads the form (once no job of the cycle is running).
    void requestExit() { m_exitNow = true; }
    bool exitRequested() const { return m_exitNow; }
    // True from loading the form until the first ExitTimer tick.
    bool firstTime() const { return m_firstTime; }

    QTimer ExitTimer;
    QTimer WaitTimer;

    // Top-left of the main form in twips: the calls window's saved position plus 50, kept in 16 bits.
    QPoint position() const { return m_position; }
    static qint16 offsetPosition(qint16 saved);

signals:
    // Settings saved and "Program stopped" written: the process may end.
    void unloaded();

private:
    void loadForm();
    void onExitTimer();
    void onWaitTimer();
    void unload();

    Application& m_app;
    MainFormHost& m_host;
    bool m_exitNow = false;
    bool m_firstTime = false;
    bool m_loaded = false;
    bool m_unloaded = false;
    QPoint m_position;
};

} // namespace vrq
