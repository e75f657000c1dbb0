#include "KeptPrinter.h"
#include "ViewerTestSupport.h"

#include "ui/printing/PrintDialogs.h"
#include "ui/printing/PrintDocument.h"
#include "ui/printing/PrintRenderer.h"

#include <numeric>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

// A page longer than the paper goes on over the next sheets, every line once and in order (the breaks
// between pages are read back by ListOfCallsPrintTest).
TEST(PrintToPdf, APageLongerThanThePaperGoesOnOverTheNextSheets) {
    ensureApplication();
    PrintDocument document(u"Paging"_s);
    QStringList lines;
    for (int i = 1; i <= 200; ++i)
        document.addLine(lines.emplace_back(u"Line %1"_s.arg(i)));
    QTemporaryDir dir;
    const QString path = dir.filePath(u"paging.pdf"_s);
    const Result written = PrintRenderer::writePdf(document, path);
    ASSERT_TRUE(written.ok()) << written.message.toStdString();
    const std::vector<QStringList> pages = KeptPrinter::pdfPageLines(path);
    EXPECT_EQ(pages.size(), 4u);
    EXPECT_EQ(std::accumulate(pages.begin(), pages.end(), QStringList()), lines);
}

// Without a default printer the person is told and may save a PDF instead, or decline.
TEST(PrintingWithoutAPrinter, SaysSoAndOffersThePdf) {
    ensureApplication();
    QTemporaryDir dir;
    const QString path = dir.filePath(u"offered.pdf"_s);
    PrintEnvironment environment;
    environment.defaultPrinter = [] { return QPrinterInfo(); };
    environment.askPdfPath = [&path](QWidget*, const QString&) { return path; };
    PrintDialogs dialogs(nullptr, environment);
    PrintDocument document(u"Offer"_s);
    document.addLine(u"Offer Title"_s);

    auto declined = answerNextMessageBox(QMessageBox::No);
    EXPECT_EQ(dialogs.printOnDefaultPrinter(document), PrintDialogs::Outcome::NotPrinted);
    EXPECT_TRUE(declined->text.contains(u"There is no default printer"_s));
    EXPECT_FALSE(QFile::exists(path));

    auto accepted = answerNextMessageBox(QMessageBox::Yes);
    EXPECT_EQ(dialogs.printOnDefaultPrinter(document), PrintDialogs::Outcome::SavedAsPdf);
    EXPECT_TRUE(KeptPrinter::pdfText(path).contains(u"Offer Title"_s));
}

} // namespace
} // namespace vrq::test
