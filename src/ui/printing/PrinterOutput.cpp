#include "ui/printing/PrinterOutput.h"

#include "ui/ProgramTitle.h"
#include "ui/printing/PrintRenderer.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace vrq {

void PrinterOutput::prepare(QPrinter& printer, const PrintDocument& document) {
    printer.setDocName(document.title().isEmpty() ? programTitle() : document.title());
    printer.setCreator(programTitle());
    printer.setFullPage(false);
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
