#include "ui/printing/PrintDialogs.h"

#include "ui/ProgramTitle.h"
#include "ui/printing/PrintRenderer.h"
#include "ui/printing/PrinterOutput.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStandardPaths>

namespace vrq {

namespace {

QString askPdfPathWithDialog(QWidget* owner, const QString& suggestedPath) {
    return QFileDialog::getSaveFileName(owner, QStringLiteral("Save as PDF"), suggestedPath,
                                        QStringLiteral("PDF files (*.pdf)"));
}

// A file name from the document's title, without the characters file systems refuse.
QString suggestedPdfPath(const PrintDocument& document) {
    QString name = document.title().isEmpty() ? programTitle() : document.title();
    static const QString refused = QStringLiteral("\\/:*?\"<>|#");
    for (QChar& c : name)
        if (refused.contains(c))
            c = QLatin1Char(' ');
    name = name.simplified();
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return QDir(folder).filePath(name + QStringLiteral(".pdf"));
}

} // namespace

PrintDialogs::PrintDialogs(QWidget* owner, PrintEnvironment environment)
    : m_owner(owner), m_env(std::move(environment)) {
    if (!m_env.defaultPrinter)
        m_env.defaultPrinter = [] { return QPrinterInfo::defaultPrinter(); };
    if (!m_env.askPdfPath)
        m_env.askPdfPath = askPdfPathWithDialog;
}

QString PrintDialogs::noPrinterText() {
    return QStringLiteral("There is no default printer, so the pages cannot be printed.") +
           QLatin1Char('\n') + QStringLiteral("Do you want to save them as a PDF file instead?");
}

PrintDialogs::Outcome PrintDialogs::printOnDefaultPrinter(const PrintDocument& document) {
    const QPrinterInfo printer = m_env.defaultPrinter();
    if (printer.isNull())
        return offerPdfInstead(document);
    const Result printed = PrinterOutput::print(document, printer);
    if (printed.ok())
        return Outcome::Printed;
    warn(printed.message);
    return Outcome::Failed;
}

PrintDialogs::Outcome PrintDialogs::offerPdfInstead(const PrintDocument& document) {
    const auto answer = QMessageBox::question(m_owner, programTitle(), noPrinterText(),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer != QMessageBox::Yes)
        return Outcome::NotPrinted;
    return saveAsPdf(document);
}

PrintDialogs::Outcome PrintDialogs::saveAsPdf(const PrintDocument& document) {
    QString path = m_env.askPdfPath(m_owner, suggestedPdfPath(document));
    if (path.isEmpty())
        return Outcome::NotPrinted;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    const Result written = PrintRenderer::writePdf(document, path);
    if (written.ok())
        return Outcome::SavedAsPdf;
    warn(written.message);
    return Outcome::Failed;
}

void PrintDialogs::preview(const PrintDocument& document) {
    const QPrinterInfo printerInfo = m_env.defaultPrinter();
    QPrinter printer(printerInfo, QPrinter::HighResolution);
    if (printerInfo.isNull())
        printer.setOutputFormat(QPrinter::PdfFormat);
    PrinterOutput::prepare(printer, document);
    QPrintPreviewDialog dialog(&printer, m_owner);
    dialog.setObjectName(QStringLiteral("dlgPrintPreview"));
    dialog.setWindowTitle(QStringLiteral("Print Preview - ") + document.title());
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&document](QPrinter* target) { PrintRenderer::render(document, *target); });
    dialog.exec();
}

void PrintDialogs::offerPreviewAndPdf(QWidget* widget, const std::function<PrintDocument()>& makeDocument,
                                      const PrintEnvironment* environment) {
    widget->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* previewAction = new QAction(QStringLiteral("Print Preview..."), widget);
    auto* pdfAction = new QAction(QStringLiteral("Save as PDF..."), widget);
    QObject::connect(previewAction, &QAction::triggered, widget, [widget, makeDocument, environment] {
        PrintDialogs(widget->window(), environment ? *environment : PrintEnvironment{})
            .preview(makeDocument());
    });
    QObject::connect(pdfAction, &QAction::triggered, widget, [widget, makeDocument, environment] {
        PrintDialogs(widget->window(), environment ? *environment : PrintEnvironment{})
            .saveAsPdf(makeDocument());
    });
    widget->addAction(previewAction);
    widget->addAction(pdfAction);
}

void PrintDialogs::warn(const QString& text) {
    QMessageBox::warning(m_owner, programTitle(), text);
}

} // namespace vrq
