#pragma once

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace vrq {

// Where a window goes when it opens. A position is that of the window's inside (without the frame the
// window manager adds), stored and restored alike, so it stays put across restarts whatever the frame.
class WindowPlacement {
public:
    // The frame a window manager typically adds, assumed while the real one is not known yet.
    static constexpr QMargins kAssumedFrame{4, 30, 4, 4};

    // The inside's top left for an inside of insideSize: the stored place when the window with its frame
    // fits one of the screens' available areas; centred on the first screen when nothing was stored yet;
    // else moved just far enough onto the screen it overlaps most (the first one when none).
    static QPoint place(const QPoint& stored, bool storedBefore, const QSize& insideSize,
                        const QList<QRect>& screens, const QMargins& frame = kAssumedFrame);
    // The available areas of the screens, the primary first.
    static QList<QRect> availableScreens();
};

} // namespace vrq
