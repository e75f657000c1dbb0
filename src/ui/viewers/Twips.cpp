#include "ui/viewers/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <limits>

namespace vrq {

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kFallbackDpi = 96.0;

int scaled(double value, double factor) {
    return static_cast<int>(std::lround(value * factor));
}

} // namespace

double Twips::dotsPerInchX() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 0.0;
    return dpi > 0.0 ? dpi : kFallbackDpi;
}

double Twips::dotsPerInchY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 0.0;
    return dpi > 0.0 ? dpi : kFallbackDpi;
}

int Twips::toPixelsX(int twips) {
    return scaled(twips, dotsPerInchX() / kTwipsPerInch);
}

int Twips::toPixelsY(int twips) {
    return scaled(twips, dotsPerInchY() / kTwipsPerInch);
}

int Twips::fromPixelsX(int pixels) {
    return scaled(pixels, kTwipsPerInch / dotsPerInchX());
}

int Twips::fromPixelsY(int pixels) {
    return scaled(pixels, kTwipsPerInch / dotsPerInchY());
}

QRect Twips::rect(int left, int top, int width, int height) {
    const int x = toPixelsX(left);
    const int y = toPixelsY(top);
    return QRect(x, y, toPixelsX(left + width) - x, toPixelsY(top + height) - y);
}

qint16 Twips::clamp16(int twips) {
    return static_cast<qint16>(
        std::clamp<int>(twips, std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()));
}

} // namespace vrq
