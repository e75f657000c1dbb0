#include "report/ListOfCallsCommand.h"

#include "platform/Clock.h"
#include "report/AuditReport.h"
#include "report/ReportCommandLine.h"
#include "store/Store.h"
#include "ui/printing/PrintRenderer.h"
#include "ui/printing/PrinterOutput.h"
#include "ui/viewers/ListOfCallsReport.h"

#include <QPrinterInfo>
#include <QTextStream>

namespace vrq {

namespace {

// Sends the pages where the command line asks.
Result deliver(const PrintDocument& document, const ReportCommand& command) {
    if (!command.pdfFile.isEmpty())
        return PrintRenderer::writePdf(document, command.pdfFile);
    if (!command.printerName.isEmpty())
        return PrinterOutput::printOn(document, command.printerName);
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull())
        return Result::failure(QStringLiteral("There is no default printer. Name one with "
                                              "--printer or save a PDF with --pdf."));
    return PrinterOutput::print(document, printer);
}

} // namespace

int runListOfCallsCommand(const QStringList& arguments, const Clock& clock, QTextStream& out,
                          QTextStream& err) {
    const ReportCommandParse parse = parseReportCommand(arguments);
    if (parse.command.help) {
        out << reportUsageText();
        return ReportExit::kOk;
    }
    if (!parse.ok()) {
        err << parse.error << '\n' << reportUsageText();
        return ReportExit::kBadArguments;
    }
    const ReportCommand& command = parse.command;
    if (const QString error = reportWorkstationError(command); !error.isEmpty()) {
        err << error << '\n' << reportUsageText();
        return ReportExit::kBadArguments;
    }
    if (command.audit)
        return runAuditReport(command, out, err);

    std::unique_ptr<Store> store = openReportStore(command, err);
    if (!store)
        return ReportExit::kStoreUnreadable;
    const ListOfCallsRequest request{command.from,     command.to,  command.goodCalls,
                                     command.badCalls, clock.now(), reportScope(command, *store)};
    Result read;
    const PrintDocument document = listOfCallsDocument(*store, request, &read);
    if (!read.ok()) {
        err << reportStoreName(command) << " cannot be read: " << read.message << '\n';
        return ReportExit::kStoreUnreadable;
    }
    if (const Result delivered = deliver(document, command); !delivered.ok()) {
        err << delivered.message << '\n';
        return ReportExit::kPrintFailed;
    }
    return ReportExit::kOk;
}

} // namespace vrq
