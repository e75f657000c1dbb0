#include "KeptPrinter.h"
#include "ViewerTestSupport.h"

#include "ui/printing/PrintDialogs.h"
#include "ui/printing/PrintDocument.h"
#include "ui/printing/PrintRenderer.h"

#include <QRegularExpression>

namespace vrq::test {
namespace {

// A page longer than the paper goes on over the next sheets, every line once and in order (the breaks
// between pages are read back by ListOfCallsPrintTest).
TEST(PrintToPdf, APageLongerThanThePaperGoesOnOverTheNextSheets) {
    ensureApplication();
    PrintDocument document(QStringLiteral("Paging"));
    for (int i = 1; i <= 200; ++i)
        document.addLine(QStringLiteral("Line %1").arg(i));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("paging.pdf"));
    const Result written = PrintRenderer::writePdf(document, path);
    ASSERT_TRUE(written.ok()) << written.message.toStdString();
    EXPECT_EQ(KeptPrinter::pdfPageLines(path).size(), 4u);
    const QString text = KeptPrinter::pdfText(path);
    qsizetype at = 0;
    for (int i = 1; i <= 200; ++i) {
        at = text.indexOf(QRegularExpression(QStringLiteral("Line %1\\b").arg(i)), at);
        ASSERT_GE(at, 0) << "line " << i;
    }
}

// Without a default printer the person is told and may save a PDF instead, or decline.
TEST(PrintingWithoutAPrinter, SaysSoAndOffersThePdf) {
    ensureApplication();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("offered.pdf"));
    PrintEnvironment environment;
    environment.defaultPrinter = [] { return QPrinterInfo(); };
    environment.askPdfPath = [&path](QWidget*, const QString&) { return path; };
    PrintDialogs dialogs(nullptr, environment);
    PrintDocument document(QStringLiteral("Offer"));
    document.addLine(QStringLiteral("Offer Title"));

    auto declined = answerNextMessageBox(QMessageBox::No);
    EXPECT_EQ(dialogs.printOnDefaultPrinter(document), PrintDialogs::Outcome::NotPrinted);
    EXPECT_TRUE(declined->seen);
    EXPECT_TRUE(declined->text.contains(QStringLiteral("There is no default printer")));
    EXPECT_FALSE(QFile::exists(path));

    auto accepted = answerNextMessageBox(QMessageBox::Yes);
    EXPECT_EQ(dialogs.printOnDefaultPrinter(document), PrintDialogs::Outcome::SavedAsPdf);
    EXPECT_TRUE(accepted->seen);
    EXPECT_TRUE(KeptPrinter::pdfText(path).contains(QStringLiteral("Offer Title")));
}

} // namespace
} // namespace vrq::test
