#pragma once

#include "ui/viewers/GridSort.h"

#include <QImage>
#include <QWidget>

namespace vrq {

// A column header of a viewer grid: a picture control that shows its raised or pressed picture and
// reports a click. It knows which column of its grid it sorts and how.
class HeaderButton : public QWidget {
    Q_OBJECT
public:
    HeaderButton(const QImage& up, const QImage& down, int sortColumn, SortKind sortKind,
                 QWidget* parent = nullptr);

    void setPressed(bool pressed);
    bool isPressed() const { return m_pressed; }
    int sortColumn() const { return m_sortColumn; }
    SortKind sortKind() const { return m_sortKind; }
    QSize sizeHint() const override { return m_up.size(); }

signals:
    void headerClicked(vrq::HeaderButton* header);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage m_up;
    QImage m_down;
    int m_sortColumn;
    SortKind m_sortKind;
    bool m_pressed = false;
    bool m_mouseDown = false;
};

} // namespace vrq
