#pragma once

#include "platform/Result.h"
#include "ui/printing/PrintDocument.h"

#include <QString>

class QPrinter;
class QPrinterInfo;

namespace vrq {

// Sends a PrintDocument to a printer as one job, without any dialog: the windows use it for the
// default printer, a command-line report for a printer named on its command line.
class PrinterOutput {
public:
    static Result print(const PrintDocument& document, const QPrinterInfo& printer);
    // The printer of this name; a failure with a message when there is none.
    static Result printOn(const PrintDocument& document, const QString& printerName);
    // The job's name and the resolution every print of the program uses.
    static void prepare(QPrinter& printer, const PrintDocument& document);
    // The page layout's margins: the program's, widened to the printer's hardware margins.
    static void keepInsidePrintableArea(QPrinter& printer);
};

} // namespace vrq
