#include "ui/viewers/HeaderButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace vrq {

HeaderButton::HeaderButton(const QImage& up, const QImage& down, int sortColumn, SortKind sortKind,
                           QWidget* parent)
    : QWidget(parent), m_up(up), m_down(down), m_sortColumn(sortColumn), m_sortKind(sortKind) {
    // Reachable with Tab and pressed with Space or Enter, as a button is.
    setFocusPolicy(Qt::TabFocus);
}

void HeaderButton::setPressed(bool pressed) {
    if (m_pressed == pressed)
        return;
    m_pressed = pressed;
    update();
}

void HeaderButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(QPoint(0, 0), m_pressed ? m_down : m_up);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

void HeaderButton::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
        emit headerClicked(this);
        return;
    }
    QWidget::keyPressEvent(event);
}

void HeaderButton::mousePressEvent(QMouseEvent* event) {
    m_mouseDown = event->button() == Qt::LeftButton;
}

// A click is a left press and release over the picture, as for a button.
void HeaderButton::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        m_mouseDown && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_mouseDown = false;
    if (click)
        emit headerClicked(this);
}

} // namespace vrq
