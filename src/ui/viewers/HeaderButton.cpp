#include "ui/viewers/HeaderButton.h"

#include <QMouseEvent>
#include <QPainter>

namespace vrq {

HeaderButton::HeaderButton(const QImage& up, const QImage& down, int sortColumn, SortKind sortKind,
                           QWidget* parent)
    : QWidget(parent), m_up(up), m_down(down), m_sortColumn(sortColumn), m_sortKind(sortKind) {}

void HeaderButton::setPressed(bool pressed) {
    if (m_pressed == pressed)
        return;
    m_pressed = pressed;
    update();
}

void HeaderButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(QPoint(0, 0), m_pressed ? m_down : m_up);
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
