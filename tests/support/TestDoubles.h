#pragma once

#include "context/UserInterface.h"
#include "platform/Clock.h"

#include <QDateTime>

namespace vrq {

// A clock that stands still until told to move.
class ManualClock : public Clock {
public:
    explicit ManualClock(QDateTime start) : m_now(std::move(start)) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& t) { m_now = t; }
    void advanceMs(qint64 ms) { m_now = m_now.addMSecs(ms); }

private:
    QDateTime m_now;
};

// For tests and benchmarks: shows nothing, never waits.
class SilentUserInterface : public UserInterface {
public:
    void updateCallDisplay(int, CallDisplay) override {}
    void showMessage(const QString&) override {}
    bool waitForHostFolder(const QDateTime&, const std::function<bool()>& tryReconnect) override {
        return tryReconnect();
    }
    void processEvents() override {}
};

} // namespace vrq
