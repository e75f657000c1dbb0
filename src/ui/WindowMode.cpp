#include "ui/WindowMode.h"

#include "audit/AuditLog.h"
#include "platform/Paths.h"
#include "platform/SingleInstance.h"
#include "shell/Application.h"
#include "ui/NetworkErrorWindow.h"
#include "ui/viewers/CallsWindow.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <atomic>
#include <csignal>

namespace vrq {

namespace {

const QString kProgramTitle = QStringLiteral("VRQToQX7");

std::atomic_bool g_closeRequested{false};

extern "C" void requestClose(int) {
    g_closeRequested.store(true);
}

} // namespace

WindowMode::WindowMode() = default;

WindowMode::~WindowMode() {
    delete m_callsWindow;
}

int WindowMode::run() {
    const QString folder = programFolder();
    m_instance = std::make_unique<SingleInstance>(folder);
    // A running copy raises its Calls window; this one ends without touching settings, store or log.
    if (m_instance->activateRunningInstance())
        return 0;
    m_instance->listen();
    connect(m_instance.get(), &SingleInstance::activationRequested, this, &WindowMode::raiseCallsWindow);

    // The program ends when the hidden main form has saved the settings, not when the last window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    m_app = std::make_unique<Application>(QLatin1Char('F'), *this);
    m_mainForm = std::make_unique<MainForm>(*m_app, *this);
    connect(m_mainForm.get(), &MainForm::unloaded, qApp, &QCoreApplication::quit);

    // The session ending or a service manager stopping the program closes the window without the question.
    std::signal(SIGTERM, requestClose);
    std::signal(SIGINT, requestClose);
    auto* closeWatch = new QTimer(this);
    connect(closeWatch, &QTimer::timeout, this, [this] {
        if (g_closeRequested.load() && m_callsWindow)
            m_callsWindow->close();
    });
    closeWatch->start(200);

    QString error;
    if (!m_mainForm->start(&error)) {
        QMessageBox::critical(nullptr, kProgramTitle, error);
        return 1;
    }
    for (const SettingProblem& problem : m_app->settingProblems())
        QMessageBox::warning(m_callsWindow, kProgramTitle, problem.describe());
    return QApplication::exec();
}

void WindowMode::UpdateCallDisplay(int callNumber, int mode) {
    if (m_callsWindow)
        m_callsWindow->UpdateCallDisplay(callNumber, mode);
}

void WindowMode::showMessage(const QString& text) {
    QMessageBox::information(m_callsWindow, kProgramTitle, text);
}

bool WindowMode::waitForHostFolder(const QDateTime& since, const std::function<bool()>& tryReconnect) {
    NetworkErrorWindow window(since, tryReconnect, m_callsWindow);
    return window.exec() == QDialog::Accepted;
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
    m_callsWindow->setMenuEntryEnabled(CallsWindow::MenuEntry::SaveAudits, true);
    m_callsWindow->show();
}

void WindowMode::runInitialSetup() {
    // The first-run setup (launcher and Properties dialog) is not part of this version: the settings
    // file holds the host name and folder until it is.
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
    m_mainForm->ExitNow = true;
}

void WindowMode::saveAudits() {
    const JobResult saved = m_app->runAuditExport();
    if (saved.ok)
        return;
    // The export traps nothing itself: its failure is logged here and shown.
    if (AuditLog* audit = m_app->context().audit)
        audit->write(QStringLiteral("E"), saved.error);
    showMessage(saved.error);
}

} // namespace vrq
