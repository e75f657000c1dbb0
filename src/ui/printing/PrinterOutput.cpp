#include "ui/printing/PrinterOutput.h"

#include "ui/printing/PrintRenderer.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace vrq {

void PrinterOutput::prepare(QPrinter& printer, const PrintDocument& document) {
    printer.setDocName(document.title().isEmpty() ? QStringLiteral("VRQToQX7") : document.title());
    printer.setCreator(QStringLiteral("VRQToQX7"));
    printer.setFullPage(false);
}

bool PrinterOutput::print(const PrintDocument& document, const QPrinterInfo& printerInfo, QString* error) {
    if (printerInfo.isNull()) {
        if (error)
            *error = QStringLiteral("There is no printer to print on.");
        return false;
    }
    QPrinter printer(printerInfo, QPrinter::HighResolution);
    prepare(printer, document);
    QString renderError;
    if (PrintRenderer::render(document, printer, &renderError) && printer.printerState() != QPrinter::Error)
        return true;
    if (error)
        *error = QStringLiteral("The printer %1 did not take the pages. %2")
                     .arg(printerInfo.printerName(), renderError)
                     .trimmed();
    return false;
}

bool PrinterOutput::printOn(const PrintDocument& document, const QString& printerName, QString* error) {
    const QPrinterInfo printer = QPrinterInfo::printerInfo(printerName);
    if (printer.isNull()) {
        if (error)
            *error = QStringLiteral("There is no printer named \"%1\".").arg(printerName);
        return false;
    }
    return print(document, printer, error);
}

} // namespace vrq
