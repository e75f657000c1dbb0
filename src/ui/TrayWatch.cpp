#include "ui/TrayWatch.h"

#include <QSystemTrayIcon>

namespace vrq {

namespace {
constexpr int kLookAgainMs = 2000;
} // namespace

TrayWatch::TrayWatch(Probe available, QObject* parent)
    : QObject(parent),
      m_available(available ? std::move(available) : Probe(&QSystemTrayIcon::isSystemTrayAvailable)) {
    m_pollTimer.setInterval(kLookAgainMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &TrayWatch::check);
}

void TrayWatch::start() {
    check();
    if (!m_told)
        m_pollTimer.start();
}

void TrayWatch::check() {
    if (m_told || !m_available())
        return;
    m_told = true;
    m_pollTimer.stop();
    emit available();
}

} // namespace vrq
