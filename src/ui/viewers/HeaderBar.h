#pragma once

#include "ui/viewers/GridSort.h"
#include "ui/viewers/HeaderPictures.h"

#include <QObject>
#include <vector>

class QWidget;

namespace vrq {

class HeaderButton;
class ViewerGridModel;

// The row of header pictures above one viewer grid. A click on a header presses it, raises the others
// and sorts the grid once by that header's column, when the grid has rows.
class HeaderBar : public QObject {
    Q_OBJECT
public:
    HeaderBar(const HeaderPictures& pictures, ViewerGridModel& model, QObject* parent = nullptr);

    // A header on parentWidget, widthTwips wide, sorting sortColumn with sortKind.
    HeaderButton* addHeader(QWidget* parentWidget, HeaderPicture picture, int widthTwips, int sortColumn,
                            SortKind sortKind);
    // Places the headers left to right from (left, top), each at the previous one's left plus its width.
    void placeRow(int leftTwips, int topTwips, int heightTwips);
    // Shows header pressed and every other raised; nullptr raises all.
    void setPressedHeader(HeaderButton* header);
    HeaderButton* pressedHeader() const;
    // Sorts the grid again by the pressed header, so rows put back in store order show its order.
    void sortByPressedHeader();
    const std::vector<HeaderButton*>& headers() const { return m_headers; }

signals:
    void sorted(int column);

private:
    void sortByHeader(HeaderButton* header);

    const HeaderPictures& m_pictures;
    ViewerGridModel& m_model;
    std::vector<HeaderButton*> m_headers;
    std::vector<int> m_widthsTwips;
};

} // namespace vrq
