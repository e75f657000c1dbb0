#include "ui/viewers/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace vrq {

namespace {

qint64 overlap(const QRect& a, const QRect& b) {
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : qint64(both.width()) * both.height();
}

// The outer rectangle moved inside area; a window larger than the area keeps its title bar visible.
QRect movedInto(QRect outer, const QRect& area) {
    outer.moveRight(std::min(outer.right(), area.right()));
    outer.moveBottom(std::min(outer.bottom(), area.bottom()));
    outer.moveLeft(std::max(outer.left(), area.left()));
    outer.moveTop(std::max(outer.top(), area.top()));
    return outer;
}

} // namespace

QPoint WindowPlacement::place(const QPoint& stored, bool storedBefore, const QSize& insideSize,
                              const QList<QRect>& screens, const QMargins& frame) {
    if (screens.isEmpty())
        return stored;
    const QSize outerSize = insideSize.grownBy(frame);
    if (!storedBefore) {
        QRect outer(QPoint(), outerSize);
        outer.moveCenter(screens.first().center());
        return movedInto(outer, screens.first()).topLeft() + QPoint(frame.left(), frame.top());
    }
    const QRect outer(stored - QPoint(frame.left(), frame.top()), outerSize);
    for (const QRect& screen : screens)
        if (screen.contains(outer))
            return stored;
    const QRect* best = &screens.first();
    for (const QRect& screen : screens)
        if (overlap(outer, screen) > overlap(outer, *best))
            best = &screen;
    return movedInto(outer, *best).topLeft() + QPoint(frame.left(), frame.top());
}

QList<QRect> WindowPlacement::availableScreens() {
    QList<QRect> areas;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        areas << primary->availableGeometry();
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen())
            areas << screen->availableGeometry();
    return areas;
}

} // namespace vrq
