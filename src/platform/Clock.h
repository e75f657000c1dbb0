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

float secondsSinceMidnight(const QDateTime& t);

} // namespace vrq
