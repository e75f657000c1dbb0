#pragma once

#include <QString>

namespace vrq {

// The program's name as its windows, message boxes and printed documents show it.
inline QString programTitle() {
    return QStringLiteral("VRQToQX7");
}

} // namespace vrq
