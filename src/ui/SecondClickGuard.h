#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace vrq {

// A click that opens a window puts that window under the pointer, so the second click of a double-click
// lands on whatever control it holds there: a button, a grid. Installed on the application, the guard
// takes a double-click whose first click went to another window as no click: the double-click is dropped
// and its release is moved off the control, which lets a pressed button come up without clicking.
class SecondClickGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void notePress(QWidget* window, quint64 timestamp);

    // The windows of the last two presses: the second is the press a double-click would follow.
    QPointer<QWidget> m_earlierPressWindow;
    QPointer<QWidget> m_lastPressWindow;
    quint64 m_lastPressTime = 0;
    bool m_lastPressSeen = false;
    bool m_moveNextRelease = false;
};

} // namespace vrq
