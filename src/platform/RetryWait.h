#pragma once

#include <QDateTime>

#include <algorithm>

namespace vrq {

// The wait between attempts at something that keeps failing: it starts at firstSeconds after the first
// failure and doubles after each further one, up to longestSeconds; a success ends it. Times come from
// the caller's clock, so tests move them without sleeping.
class RetryWait {
public:
    RetryWait(int firstSeconds, int longestSeconds) : m_first(firstSeconds), m_longest(longestSeconds) {}

    // An attempt failed at now: the next one is due after the (longer) wait.
    void failed(const QDateTime& now) {
        m_seconds = failing() ? std::min(m_seconds * 2, m_longest) : m_first;
        m_dueAt = now.addSecs(m_seconds);
    }
    void succeeded() {
        m_seconds = 0;
        m_dueAt = QDateTime();
    }
    bool failing() const { return m_seconds > 0; }
    // Whether an attempt may be made now: always while nothing fails.
    bool due(const QDateTime& now) const { return !failing() || now >= m_dueAt; }
    // The wait after the last failure; 0 while nothing fails.
    int seconds() const { return m_seconds; }

private:
    int m_first;
    int m_longest;
    int m_seconds = 0;
    QDateTime m_dueAt;
};

} // namespace vrq
