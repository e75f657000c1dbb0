#include "ui/viewers/HeaderBar.h"

#include "ui/viewers/HeaderButton.h"
#include "ui/viewers/Twips.h"
#include "ui/viewers/ViewerGridModel.h"

namespace vrq {

HeaderBar::HeaderBar(const HeaderPictures& pictures, ViewerGridModel& model, QObject* parent)
    : QObject(parent), m_pictures(pictures), m_model(model) {}

HeaderButton* HeaderBar::addHeader(QWidget* parentWidget, HeaderPicture picture, int widthTwips,
                                   int sortColumn, SortKind sortKind) {
    auto* header = new HeaderButton(m_pictures.up(picture), m_pictures.down(picture), sortColumn, sortKind,
                                    parentWidget);
    const QString caption = HeaderPictures::caption(picture).replace(QLatin1Char('\n'), QLatin1Char(' '));
    header->setObjectName(caption);
    header->setAccessibleName(caption);
    connect(header, &HeaderButton::headerClicked, this, &HeaderBar::sortByHeader);
    m_headers.push_back(header);
    m_widthsTwips.push_back(widthTwips);
    return header;
}

void HeaderBar::placeRow(int leftTwips, int topTwips, int heightTwips) {
    int left = leftTwips;
    for (std::size_t i = 0; i < m_headers.size(); ++i) {
        m_headers[i]->setGeometry(Twips::rect(left, topTwips, m_widthsTwips[i], heightTwips));
        left += m_widthsTwips[i];
    }
}

void HeaderBar::setPressedHeader(HeaderButton* header) {
    for (HeaderButton* h : m_headers)
        h->setPressed(h == header);
}

HeaderButton* HeaderBar::pressedHeader() const {
    for (HeaderButton* h : m_headers)
        if (h->isPressed())
            return h;
    return nullptr;
}

void HeaderBar::sortByPressedHeader() {
    if (HeaderButton* pressed = pressedHeader())
        sortByHeader(pressed);
}

void HeaderBar::sortByHeader(HeaderButton* header) {
    setPressedHeader(header);
    if (m_model.rowCount() == 0)
        return;
    m_model.sortByColumn(header->sortColumn(), header->sortKind());
    emit sorted(header->sortColumn());
}

} // namespace vrq
