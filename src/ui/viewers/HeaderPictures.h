#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <array>

namespace vrq {

// The pictures that stand in for column headers above the viewer grids, and the "Details" button
// drawn in column 0 of their rows. Tall headers may hold two lines; narrow ones ("N") are one line.
enum class HeaderPicture {
    Source,       // imgSrcUp / imgSrcDn
    CallNumber,   // imgCNUp / imgCNDn
    CallDateTime, // imgCDUp / imgCDDn
    Status,       // imgStatUp / imgStatDn
    Salesman,     // imgSPUp / imgSPDn
    Customer,     // imgCustUp / imgCustDn
    SalespersonN, // imgSPNUp / imgSPNDn
    CustomerN,    // imgCustNUp / imgCustNDn
    RouteN,       // imgRouteNUp / imgRouteNDn
    NumItemsN,    // imgNItNUp / imgNItNDn
    MessageN,     // imgMsgNUp / imgMsgNDn
    ItemNumberN,  // imgItNumNUp / imgItNumNDn
    QtyN,         // imgQtyNUp / imgQtyNDn
    LevelN,       // imgLvlNUp / imgLvlNDn
    DiscN,        // imgDiscNUp / imgDiscNDn
    PriceN,       // imgPrcNUp / imgPrcNDn
    Workstation,  // imgWSUp / imgWSDn, over the column of every workstation's rows
    Details,      // pctButtonUp / pctButtonDown
};
constexpr int kHeaderPictureCount = static_cast<int>(HeaderPicture::Details) + 1;

// One raised and one pressed picture per caption, drawn once when the set is made: a grey button face,
// 24 bits per pixel, black caption; raised has light top/left and dark bottom/right edges, pressed the
// reverse with the caption one pixel right and down. The window layer makes one set and lends it out.
// Each picture is drawn with as many pixels as the sharpest screen shows in its place (twice as many
// at 192 dpi), so it is never blown up from a small one; its size in the windows stays the same.
class HeaderPictures {
public:
    // For the screens of this session.
    HeaderPictures();
    // For a screen of `pixelRatio` pixels per window pixel (1.5 at 144 dpi).
    explicit HeaderPictures(qreal pixelRatio);

    const QImage& up(HeaderPicture id) const { return m_up[index(id)]; }
    const QImage& down(HeaderPicture id) const { return m_down[index(id)]; }
    const QImage& picture(HeaderPicture id, bool pressed) const { return pressed ? down(id) : up(id); }

    // The caption as drawn ("\n" between two lines) and the size in pixels.
    static QString caption(HeaderPicture id);
    static QSize size(HeaderPicture id);
    // Draws one face of `size` window pixels; also used for pictures outside the set.
    static QImage draw(const QString& caption, QSize size, bool pressed, qreal pixelRatio = 1.0);

private:
    static std::size_t index(HeaderPicture id) { return static_cast<std::size_t>(id); }

    std::array<QImage, kHeaderPictureCount> m_up;
    std::array<QImage, kHeaderPictureCount> m_down;
};

} // namespace vrq
