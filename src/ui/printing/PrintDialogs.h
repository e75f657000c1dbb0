#pragma once

#include "ui/printing/PrintDocument.h"

#include <QPrinterInfo>
#include <QString>
#include <functional>

class QWidget;

namespace vrq {

// What the print dialogs reach outside the program; tests replace both.
struct PrintEnvironment {
    // The platform's default printer (CUPS's default off Windows); a null printer when there is none.
    std::function<QPrinterInfo()> defaultPrinter = [] { return QPrinterInfo::defaultPrinter(); };
    // Asks where to save a PDF, starting from suggestedPath; empty when the person cancels.
    std::function<QString(QWidget* owner, const QString& suggestedPath)> askPdfPath;
};

// How the windows print: one document straight to the default printer, a preview before paper, or a
// PDF file instead. With no default printer the person is told so and offered the PDF.
class PrintDialogs {
public:
    enum class Outcome { Printed, SavedAsPdf, NotPrinted, Failed };

    explicit PrintDialogs(QWidget* owner, PrintEnvironment environment = {});

    Outcome printOnDefaultPrinter(const PrintDocument& document);
    Outcome saveAsPdf(const PrintDocument& document);
    // The pages as the default printer (or, without one, a PDF) would take them; printing from the
    // preview goes through the system's print dialog.
    void preview(const PrintDocument& document);
    // "Print Preview..." and "Save as PDF..." on the widget's context menu (right click, or the menu
    // key), each building the document afresh with makeDocument. environment, when given, is read at
    // each use and must outlive the widget.
    static void offerPreviewAndPdf(QWidget* widget, const std::function<PrintDocument()>& makeDocument,
                                   const PrintEnvironment* environment = nullptr);

    static QString noPrinterText();

private:
    Outcome offerPdfInstead(const PrintDocument& document);
    void warn(const QString& text);

    QWidget* m_owner;
    PrintEnvironment m_env;
};

} // namespace vrq
