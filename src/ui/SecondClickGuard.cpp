#include "ui/SecondClickGuard.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

namespace vrq {

void SecondClickGuard::notePress(QWidget* window, quint64 timestamp) {
    // A press a widget ignores goes on to its parents: the same press is seen once per widget.
    if (m_lastPressSeen && timestamp == m_lastPressTime && window == m_lastPressWindow)
        return;
    m_earlierPressWindow = m_lastPressWindow;
    m_lastPressWindow = window;
    m_lastPressTime = timestamp;
    m_lastPressSeen = true;
}

bool SecondClickGuard::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_moveNextRelease = false;
        notePress(widget->window(), static_cast<QMouseEvent*>(event)->timestamp());
        break;
    case QEvent::MouseButtonDblClick:
        // The press of this double-click was noted last; its first click went to the window before it.
        if (widget->window() != m_earlierPressWindow) {
            m_moveNextRelease = true;
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (m_moveNextRelease) {
            m_moveNextRelease = false;
            // Released outside the control: a button comes up, a grid sees no click on a row.
            auto* release = static_cast<QMouseEvent*>(event);
            QMouseEvent outside(QEvent::MouseButtonRelease, QPointF(-1, -1), release->globalPosition(),
                                release->button(), release->buttons(), release->modifiers(),
                                release->pointingDevice());
            outside.setTimestamp(release->timestamp());
            QCoreApplication::sendEvent(widget, &outside);
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vrq
