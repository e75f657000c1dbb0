#include "shell/ConsoleUserInterface.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLocale>
#include <QTextStream>
#include <QThread>

namespace vrq {

ConsoleUserInterface::ConsoleUserInterface(Mode mode, const std::atomic_bool* stopRequested)
    : m_mode(mode), m_stopRequested(stopRequested) {}

void ConsoleUserInterface::updateCallDisplay(int, CallDisplay) {}

void ConsoleUserInterface::showMessage(const QString& text) {
    QTextStream(stderr) << text << Qt::endl;
}

void ConsoleUserInterface::showNotice(const QString&, const QString& consoleText) {
    showMessage(consoleText);
}

bool ConsoleUserInterface::waitForHostFolder(const QDateTime& since,
                                             const std::function<bool()>& tryReconnect) {
    QTextStream err(stderr);
    err << "The connection to the QX7 system has been lost and cannot be re-established at this time (since "
        << QLocale::c().toString(since, QStringLiteral("hh:mm AP MM/dd/yyyy")) << ")." << Qt::endl;
    if (m_mode == Mode::SinglePass)
        return false;
    while (!(m_stopRequested && m_stopRequested->load())) {
        QDeadlineTimer second(1000);
        while (!second.hasExpired() && !(m_stopRequested && m_stopRequested->load())) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
            QThread::msleep(50);
        }
        if (m_stopRequested && m_stopRequested->load())
            break;
        if (tryReconnect()) {
            err << "The connection to the QX7 system is back." << Qt::endl;
            return true;
        }
    }
    return false;
}

void ConsoleUserInterface::processEvents() {
    if (!m_pacer.due())
        return;
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

} // namespace vrq
