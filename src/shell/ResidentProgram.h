#pragma once

#include "platform/Result.h"

#include <QObject>
#include <QPoint>
#include <QTimer>
#include <functional>

namespace vrq {

class Application;

// What the resident program asks of the window layer.
class ResidentProgramHost {
public:
    virtual ~ResidentProgramHost() = default;
    virtual void showCallsWindow() = 0;
    // First run: the host name or folder is blank. loadProgram takes in DataBin.Dat once and shows the
    // calls window when that has not happened yet; the setup calls it after setting DataBin.Dat aside.
    virtual void runInitialSetup(const std::function<void()>& loadProgram) = 0;
};

// The resident program of window mode: its start-up and shut-down sequences and the two timers that
// keep it running. The exit check watches for a requested exit; the cycle timer drives the processing
// cycle. It has no window of its own.
class ResidentProgram : public QObject {
    Q_OBJECT
public:
    ResidentProgram(Application& app, ResidentProgramHost& host);

    // The start-up sequence; a failure with its message when the store cannot be opened.
    Result start();

    // The next tick of the exit check shuts the program down (once no job of the cycle is running).
    void requestExit() { m_exitRequested = true; }
    bool exitRequested() const { return m_exitRequested; }
    // True from loading until the first tick of the exit check.
    bool firstCheckPending() const { return m_firstCheckPending; }

    // Where the program places itself, in twips, though it shows nothing there: the calls window's saved
    // position plus 50, kept in 16 bits.
    QPoint position() const { return m_position; }
    static qint16 offsetPosition(qint16 saved);

signals:
    // Settings saved and "Program stopped" written: the process may end.
    void stopped();

private:
    void load();
    void onExitCheck();
    void onCycleTimer();
    void shutDown();

    Application& m_app;
    ResidentProgramHost& m_host;
    // Looks for a requested exit: every 5 ms until the first tick, then every 500 ms.
    QTimer m_exitCheckTimer;
    // One tick of the processing cycle a second, restarted after each tick has finished.
    QTimer m_cycleTimer;
    bool m_exitRequested = false;
    bool m_firstCheckPending = false;
    bool m_loaded = false;
    bool m_stopped = false;
    QPoint m_position;
};

} // namespace vrq
