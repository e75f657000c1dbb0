#pragma once

#include "platform/Result.h"
#include "ui/printing/PrintDocument.h"

#include <QFont>
#include <QString>

class QPagedPaintDevice;

namespace vrq {

// Paints a PrintDocument onto any paged device (a printer, a PDF writer) without a window, so the
// resident program and a command-line report print the same pages the same way.
class PrintRenderer {
public:
    // The margin on every side of a sheet, unless the printer needs more.
    static constexpr qreal kMarginMillimetres = 15;

    // Paints every page; a failure with a message when the device cannot be painted on.
    static Result render(const PrintDocument& document, QPagedPaintDevice& device);
    // Writes the document as a PDF file at path (A4 or Letter as the locale has it).
    static Result writePdf(const PrintDocument& document, const QString& path);

    // The face for a font as the windows name it: a family this system lacks is replaced by its
    // metric twin ("Courier New" by Liberation Mono), so the columns of a printed page stay aligned.
    static QFont fontFor(const PrintFont& font);
    static QString resolvedFamily(const QString& family);
    // How many lines of this font fit one page of the device, at least 1.
    static int linesThatFit(QPagedPaintDevice& device, const PrintFont& font);
    // The scale at which all lines of the page fit one sheet of the device (at most 1).
    static qreal sheetScale(const PrintPage& page, QPagedPaintDevice& device);
    // The scale at which the widest line of the page fits the sheet's width (at most 1).
    static qreal widthScale(const PrintPage& page, QPagedPaintDevice& device);
};

} // namespace vrq
