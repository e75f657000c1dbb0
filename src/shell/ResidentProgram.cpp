#include "shell/ResidentProgram.h"

#include "platform/Paths.h"
#include "shell/Application.h"

namespace vrq {

ResidentProgram::ResidentProgram(Application& app, ResidentProgramHost& host) : m_app(app), m_host(host) {
    m_exitCheckTimer.setInterval(600);
    m_cycleTimer.setInterval(60);
    connect(&m_exitCheckTimer, &QTimer::timeout, this, &ResidentProgram::onExitCheck);
    connect(&m_cycleTimer, &QTimer::timeout, this, &ResidentProgram::onCycleTimer);
}

qint16 ResidentProgram::offsetPosition(qint16 saved) {
    return static_cast<qint16>(std::min<int>(int(saved) + 50, 32767));
}

Result ResidentProgram::start() {
    if (Result started = m_app.startUp(); !started.ok())
        return started;
    m_exitRequested = false;
    const Settings& s = m_app.context().settings;
    if (PathResolver::trimRight(s.qx7Name).isEmpty() || PathResolver::trimRight(s.qx7Path).isEmpty()) {
        // The program loads inside the setup, once the old DataBin.Dat is set aside, so that its intake
        // does not take in the old calls.
        m_host.runInitialSetup([this] { load(); });
    }
    m_app.cycle().markStarted();
    load();
    m_exitCheckTimer.setInterval(5);
    m_cycleTimer.setInterval(1000);
    m_exitCheckTimer.start();
    m_cycleTimer.start();
    return Result::success();
}

void ResidentProgram::load() {
    if (m_loaded)
        return;
    m_loaded = true;
    m_firstCheckPending = true;
    const Settings& s = m_app.context().settings;
    m_position = QPoint(offsetPosition(s.detailsLeft), offsetPosition(s.detailsTop));
    m_app.runDataBinIntake();
    m_host.showCallsWindow();
}

void ResidentProgram::onExitCheck() {
    if (m_firstCheckPending) {
        m_exitCheckTimer.setInterval(500);
        m_firstCheckPending = false;
    }
    // A shutdown asked for while a job yields to the event loop waits for that tick to finish.
    if (m_exitRequested && !m_app.cycle().busy())
        shutDown();
}

void ResidentProgram::onCycleTimer() {
    m_cycleTimer.stop();
    m_app.cycle().tick();
    if (!m_stopped)
        m_cycleTimer.start();
}

void ResidentProgram::shutDown() {
    if (m_stopped)
        return;
    m_stopped = true;
    m_exitCheckTimer.stop();
    m_cycleTimer.stop();
    m_app.shutDown();
    emit stopped();
}

} // namespace vrq
