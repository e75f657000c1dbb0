#include "ui/printing/PrintRenderer.h"

#include "ui/ProgramTitle.h"

#include <algorithm>

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace vrq {

namespace {

struct FamilyTwin {
    const char* family;
    const char* twin;
};
// Families of the old printouts and the free faces with the same metrics (fonts-liberation).
constexpr FamilyTwin kTwins[] = {
    {"Courier New", "Liberation Mono"},
    {"Arial", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
};

bool isPhysicalFamily(const QString& family) {
    // Fontconfig answers for aliases too; only a face installed under the name itself counts.
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

QPageSize localPageSize() {
    const QLocale::Country country = QLocale::system().territory();
    const bool letter = country == QLocale::UnitedStates || country == QLocale::Canada ||
                        country == QLocale::Mexico || country == QLocale::AnyTerritory;
    return QPageSize(letter ? QPageSize::Letter : QPageSize::A4);
}

} // namespace

QString PrintRenderer::resolvedFamily(const QString& family) {
    if (isPhysicalFamily(family))
        return family;
    for (const FamilyTwin& twin : kTwins)
        if (family.compare(QLatin1String(twin.family), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(twin.twin);
    return family;
}

QFont PrintRenderer::fontFor(const PrintFont& font) {
    QFont face(resolvedFamily(font.family));
    face.setPointSize(font.pointSize > 0 ? font.pointSize : 11);
    face.setBold(font.bold);
    face.setStyleHint(QFont::TypeWriter, QFont::PreferMatch);
    return face;
}

int PrintRenderer::linesThatFit(QPagedPaintDevice& device, const PrintFont& font) {
    const QFontMetricsF metrics(fontFor(font), &device);
    const qreal pageHeight = device.height();
    return std::max(1, static_cast<int>(pageHeight / metrics.lineSpacing()));
}

// How much a page must shrink for all its lines to fit one sheet of the device; 1 when they fit.
qreal PrintRenderer::sheetScale(const PrintPage& page, QPagedPaintDevice& device) {
    qreal height = 0;
    for (const PrintLine& line : page.lines)
        height += QFontMetricsF(fontFor(line.font), &device).lineSpacing();
    return height > device.height() ? device.height() / height : 1.0;
}

qreal PrintRenderer::widthScale(const PrintPage& page, QPagedPaintDevice& device) {
    qreal widest = 0;
    for (const PrintLine& line : page.lines)
        widest = std::max(widest, QFontMetricsF(fontFor(line.font), &device).horizontalAdvance(line.text));
    return widest > device.width() ? device.width() / widest : 1.0;
}

Result PrintRenderer::render(const PrintDocument& document, QPagedPaintDevice& device) {
    QPainter painter;
    if (!painter.begin(&device))
        return Result::failure(QStringLiteral("The printer or file could not be opened for printing."));
    bool firstSheet = true;
    for (const PrintPage& page : document.pages()) {
        if (!firstSheet && !device.newPage()) {
            painter.end();
            return Result::failure(QStringLiteral("A new page could not be started."));
        }
        firstSheet = false;
        // The narrower of width and height decides: a report line must fit across as its page fits down.
        const qreal scale =
            std::min(widthScale(page, device), document.fitsPagesToSheet() ? sheetScale(page, device) : 1.0);
        painter.resetTransform();
        painter.scale(scale, scale);
        const qreal pageHeight = device.height() / scale;
        qreal top = 0;
        for (const PrintLine& line : page.lines) {
            const QFont face = fontFor(line.font);
            const QFontMetricsF metrics(face, &device);
            // A page longer than the paper goes on over the next sheet.
            if (top > 0 && top + metrics.height() > pageHeight) {
                if (!device.newPage())
                    break;
                top = 0;
            }
            painter.setFont(face);
            if (!line.text.isEmpty())
                painter.drawText(QPointF(0, top + metrics.ascent()), line.text);
            top += metrics.lineSpacing();
        }
    }
    if (!painter.end())
        return Result::failure(QStringLiteral("The pages could not be finished."));
    return Result::success();
}

Result PrintRenderer::writePdf(const PrintDocument& document, const QString& path) {
    QPdfWriter writer(path);
    writer.setTitle(document.title());
    writer.setCreator(programTitle());
    writer.setResolution(600);
    writer.setPageSize(localPageSize());
    writer.setPageMargins(
        QMarginsF(kMarginMillimetres, kMarginMillimetres, kMarginMillimetres, kMarginMillimetres),
        QPageLayout::Millimeter);
    if (render(document, writer).ok())
        return Result::success();
    return Result::failure(QStringLiteral("The PDF file %1 could not be written.").arg(path));
}

} // namespace vrq
