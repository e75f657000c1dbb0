#pragma once

#include <QRect>

namespace vrq {

// Window geometry is kept in twips (1/1440 inch) and turned into pixels at the screen's resolution,
// 15 twips per pixel at 96 dots per inch.
class Twips {
public:
    static int toPixelsX(int twips);
    static int toPixelsY(int twips);
    static int fromPixelsX(int pixels);
    static int fromPixelsY(int pixels);
    // A control's rectangle: each edge rounded on its own, so neighbours placed edge to edge stay joined.
    static QRect rect(int left, int top, int width, int height);
    // A position in twips kept within a 16-bit setting.
    static qint16 clamp16(int twips);

private:
    static double dotsPerInchX();
    static double dotsPerInchY();
};

} // namespace vrq
