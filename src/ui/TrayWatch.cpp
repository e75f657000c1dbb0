#include "ui/TrayWatch.h"

#include <QSystemTrayIcon>

namespace vrq {

namespace {
constexpr int kLookAgainMs = 2000;
} // namespace

TrayWatch::TrayWatch(Probe available, QObject* parent)
    : QObject(parent),
      m_available(available ? std::move(available) : Probe(&QSystemTrayIcon::isSystemTrayAvailable)) {
    m_poll.setInterval(kLookAgainMs);
    connect(&m_poll, &QTimer::timeout, this, &TrayWatch::check);
}

void TrayWatch::start() {
    check();
    if (!m_told)
        m_poll.start();
}

void TrayWatch::check() {
    if (m_told || !m_available())
        return;
    m_told = true;
    m_poll.stop();
    emit available();
}

} // namespace vrq
