#include "shell/MainForm.h"

#include "platform/Paths.h"
#include "shell/Application.h"

namespace vrq {

MainForm::MainForm(Application& app, MainFormHost& host) : m_app(app), m_host(host) {
    ExitTimer.setInterval(600);
    WaitTimer.setInterval(60);
    connect(&ExitTimer, &QTimer::timeout, this, &MainForm::onExitTimer);
    connect(&WaitTimer, &QTimer::timeout, this, &MainForm::onWaitTimer);
}

qint16 MainForm::offsetPosition(qint16 saved) {
    return static_cast<qint16>(std::min<int>(int(saved) + 50, 32767));
}

Result MainForm::start() {
    if (Result started = m_app.startUp(); !started.ok())
        return started;
    m_exitNow = false;
    const Settings& s = m_app.context().settings;
    if (PathResolver::trimRight(s.QX7Name).isEmpty() || PathResolver::trimRight(s.QX7Path).isEmpty()) {
        // The form loads inside the setup, once the old DataBin.Dat is set aside, so that its intake does
        // not take in the old calls.
        m_host.runInitialSetup([this] { loadForm(); });
    }
    m_app.cycle().markStarted();
    loadForm();
    ExitTimer.setInterval(5);
    WaitTimer.setInterval(1000);
    ExitTimer.start();
    WaitTimer.start();
    return Result::success();
}

void MainForm::loadForm() {
    if (m_loaded)
        return;
    m_loaded = true;
    m_firstTime = true;
    const Settings& s = m_app.context().settings;
    m_position = QPoint(offsetPosition(s.DetailsLeft), offsetPosition(s.DetailsTop));
    m_app.runDataBinIntake();
    m_host.showCallsWindow();
}

void MainForm::onExitTimer() {
    if (m_firstTime) {
        ExitTimer.setInterval(500);
        m_firstTime = false;
    }
    // A shutdown asked for while a job yields to the event loop waits for that tick to finish.
    if (m_exitNow && !m_app.cycle().busy())
        unload();
}

void MainForm::onWaitTimer() {
    WaitTimer.stop();
    m_app.cycle().tick();
    if (!m_unloaded)
        WaitTimer.start();
}

void MainForm::unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    ExitTimer.stop();
    WaitTimer.stop();
    m_app.shutDown();
    emit unloaded();
}

} // namespace vrq
