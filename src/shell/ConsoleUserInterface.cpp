#include "shell/ConsoleUserInterface.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLocale>
#include <QTextStream>
#include <QThread>

namespace vrq {

namespace {
constexpr qint64 kEventInterval = 10; // ms
} // namespace

ConsoleUserInterface::ConsoleUserInterface(Mode mode, const std::atomic_bool* stopRequested)
    : m_mode(mode), m_stopRequested(stopRequested) {}

void ConsoleUserInterface::UpdateCallDisplay(int, int) {}

void ConsoleUserInterface::showMessage(const QString& text) { QTextStream(stderr) << text << Qt::endl; }

bool ConsoleUserInterface::waitForHostFolder(const QDateTime& since, const std::function<bool()>& tryReconnect) {
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
    // The intake asks once per line item; without a window, events every 10 ms keep timers and signals
    // as prompt, and each run of the event loop costs a system call.
    if (m_sinceEvents.isValid() && m_sinceEvents.elapsed() < kEventInterval)
        return;
    m_sinceEvents.start();
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

} // namespace vrq
