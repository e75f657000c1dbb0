#pragma once

#include <QDateTime>

namespace vrq {

// The one way the program reads the time, so tests can set the date, jump across midnight
// or make a lock flag go stale without sleeping.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;

    // Seconds since midnight with a fractional part, as the timers of the cycle compare them.
    float secondsSinceMidnight() const;
};

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// A clock that stands still until told to move; used by tests and by replayed runs.
class ManualClock : public Clock {
public:
    explicit ManualClock(QDateTime start) : m_now(std::move(start)) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& t) { m_now = t; }
    void advanceMs(qint64 ms) { m_now = m_now.addMSecs(ms); }

private:
    QDateTime m_now;
};

float secondsSinceMidnight(const QDateTime& t);

} // namespace vrq
