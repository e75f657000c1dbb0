#include "ui/printing/PrinterOutput.h"

#include "ui/ProgramTitle.h"
#include "ui/printing/PrintRenderer.h"

#include <algorithm>

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

namespace vrq {

void PrinterOutput::prepare(QPrinter& printer, const PrintDocument& document) {
    printer.setDocName(document.title().isEmpty() ? programTitle() : document.title());
    printer.setCreator(programTitle());
    printer.setFullPage(false);
    keepInsidePrintableArea(printer);
}

// Real printers clip near the paper's edge: the pages keep the program's margins, or the printer's own
// where those are wider.
void PrinterOutput::keepInsidePrintableArea(QPrinter& printer) {
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    const QMarginsF least = layout.minimumMargins();
    const qreal wanted = PrintRenderer::kMarginMillimetres;
    layout.setMargins(QMarginsF(std::max(wanted, least.left()), std::max(wanted, least.top()),
                                std::max(wanted, least.right()), std::max(wanted, least.bottom())));
    printer.setPageLayout(layout);
}

Result PrinterOutput::print(const PrintDocument& document, const QPrinterInfo& printerInfo) {
    if (printerInfo.isNull())
        return Result::failure(QStringLiteral("There is no printer to print on."));
    QPrinter printer(printerInfo, QPrinter::HighResolution);
    prepare(printer, document);
    const Result rendered = PrintRenderer::render(document, printer);
    if (rendered.ok() && printer.printerState() != QPrinter::Error)
        return Result::success();
    return Result::failure(QStringLiteral("The printer %1 did not take the pages. %2")
                               .arg(printerInfo.printerName(), rendered.message)
                               .trimmed());
}

Result PrinterOutput::printOn(const PrintDocument& document, const QString& printerName) {
    const QPrinterInfo printer = QPrinterInfo::printerInfo(printerName);
    if (printer.isNull())
        return Result::failure(QStringLiteral("There is no printer named \"%1\".").arg(printerName));
    return print(document, printer);
}

} // namespace vrq
