#include "ui/viewers/HeaderPictures.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>

#include <algorithm>

namespace vrq {

namespace {

struct PictureSpec {
    const char* caption;
    int width;
    int height;
};

constexpr int kTall = 33;
constexpr int kNarrow = 19;

// In the order of HeaderPicture.
constexpr std::array<PictureSpec, kHeaderPictureCount> kSpecs{{
    {"Source", 47, kTall},
    {"Call\nNumber", 47, kTall},
    {"Call Date and Time", 120, kTall},
    {"Status", 66, kTall},
    {"Salesman", 60, kTall},
    {"Customer", 57, kTall},
    {"Salesperson", 73, kNarrow},
    {"Customer", 60, kNarrow},
    {"Route", 47, kNarrow},
    {"# Items", 50, kNarrow},
    {"Message", 168, kNarrow},
    {"Item Number", 87, kNarrow},
    {"Qty", 40, kNarrow},
    {"Level", 40, kNarrow},
    {"Disc %", 40, kNarrow},
    {"Price", 61, kNarrow},
    {"Workstation", 66, kTall},
    {"Details", 39, 15},
}};

const QColor kFace(192, 192, 192);
const QColor kHighlight(255, 255, 255);
const QColor kLight(223, 223, 223);
const QColor kShadow(128, 128, 128);
const QColor kDarkShadow(0, 0, 0);

// Two-pixel bevel: outer and inner lines of the top/left and of the bottom/right edges.
void drawBevel(QPainter& p, const QRect& r, const QColor& outerTopLeft, const QColor& innerTopLeft,
               const QColor& outerBottomRight, const QColor& innerBottomRight) {
    const int l = r.left(), t = r.top(), rt = r.right(), b = r.bottom();
    p.setPen(outerBottomRight);
    p.drawLine(l, b, rt, b);
    p.drawLine(rt, t, rt, b);
    p.setPen(innerBottomRight);
    p.drawLine(l + 1, b - 1, rt - 1, b - 1);
    p.drawLine(rt - 1, t + 1, rt - 1, b - 1);
    p.setPen(outerTopLeft);
    p.drawLine(l, t, rt - 1, t);
    p.drawLine(l, t, l, b - 1);
    p.setPen(innerTopLeft);
    p.drawLine(l + 1, t + 1, rt - 2, t + 1);
    p.drawLine(l + 1, t + 1, l + 1, b - 2);
}

} // namespace

HeaderPictures::HeaderPictures() : HeaderPictures(qApp ? qApp->devicePixelRatio() : 1.0) {}

HeaderPictures::HeaderPictures(qreal pixelRatio) {
    for (int i = 0; i < kHeaderPictureCount; ++i) {
        const auto id = static_cast<HeaderPicture>(i);
        m_up[index(id)] = draw(caption(id), size(id), false, pixelRatio);
        m_down[index(id)] = draw(caption(id), size(id), true, pixelRatio);
    }
}

QString HeaderPictures::caption(HeaderPicture id) {
    return QString::fromLatin1(kSpecs[index(id)].caption);
}

QSize HeaderPictures::size(HeaderPicture id) {
    return QSize(kSpecs[index(id)].width, kSpecs[index(id)].height);
}

QImage HeaderPictures::draw(const QString& caption, QSize size, bool pressed, qreal pixelRatio) {
    pixelRatio = std::max<qreal>(pixelRatio, 1.0);
    QImage image((QSizeF(size) * pixelRatio).toSize(), QImage::Format_RGB888);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(kFace);
    // The painter works in window pixels; the image's pixel ratio makes it draw with all of its own.
    QPainter p(&image);
    const QRect r(QPoint(0, 0), size);
    if (pressed)
        drawBevel(p, r, kDarkShadow, kShadow, kHighlight, kLight);
    else
        drawBevel(p, r, kHighlight, kLight, kDarkShadow, kShadow);

    QFont font = QGuiApplication::font();
    font.setPixelSize(11);
    font.setBold(false);
    font.setStyleStrategy(QFont::NoAntialias); // crisp black strokes, as on a classic button face
    QRect textArea = r.adjusted(2, 2, -2, -2);
    // A caption wider than its face (the small "Details" button) gets a smaller size until it fits.
    while (font.pixelSize() > 7 &&
           QFontMetrics(font).boundingRect(textArea, Qt::AlignCenter, caption).width() > textArea.width())
        font.setPixelSize(font.pixelSize() - 1);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0));
    if (pressed)
        textArea.translate(1, 1);
    p.drawText(textArea, Qt::AlignCenter, caption);
    p.end();
    return image;
}

} // namespace vrq
