#include "platform/Clock.h"

namespace vrq {

float secondsSinceMidnight(const QDateTime& t) {
    return static_cast<float>(t.time().msecsSinceStartOfDay()) / 1000.0f;
}

float Clock::secondsSinceMidnight() const {
    return vrq::secondsSinceMidnight(now());
}

} // namespace vrq
