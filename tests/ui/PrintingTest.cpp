#include "KeptPrinter.h"
#include "ViewerTestSupport.h"

#include "ui/printing/PrintDialogs.h"
#include "ui/printing/PrintDocument.h"
#include "ui/printing/PrintRenderer.h"
#include "ui/printing/PrinterOutput.h"

#include <QPdfWriter>
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

// A short report page of 84-character lines, fitted to one sheet, on the default printer or in a PDF: every
// word lies inside the margins, across as well as down (it is the width that makes the page smaller).
struct MarginCase {
    const char* name;
    bool onPrinter;
};

class PrintedPageMargins : public ::testing::TestWithParam<MarginCase> {};

TEST_P(PrintedPageMargins, KeepEveryWordInsideThePrintableArea) {
    ensureApplication();
    const QString marker = u"Margins%1"_s.arg(QCoreApplication::applicationPid());
    PrintDocument document(marker);
    document.setFitPagesToSheet(true);
    QStringList written{marker};
    for (int i = 1; i < 20; ++i)
        written << u"%1 "_s.arg(i).leftJustified(84, u'X');
    for (const QString& line : written)
        document.addLine(line);
    QTemporaryDir dir;
    QString path = dir.filePath(u"margins.pdf"_s);
    if (GetParam().onPrinter) // the test printer's sheets are A4
        path = KeptPrinter::printedJob(
            [&] { ASSERT_TRUE(PrinterOutput::print(document, QPrinterInfo::defaultPrinter()).ok()); },
            marker);
    else { // A4, the narrower sheet
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QPageSize::A4));
        const qreal margin = PrintRenderer::kMarginMillimetres;
        writer.setPageMargins(QMarginsF(margin, margin, margin, margin), QPageLayout::Millimeter);
        ASSERT_TRUE(PrintRenderer::render(document, writer).ok());
    }
    // A PDF cuts what passes the margin away: every line must be there whole.
    const std::vector<QStringList> pages = KeptPrinter::pdfPageLines(path);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0], written);
    const KeptPrinter::Extent extent = KeptPrinter::firstPageExtent(path);
    ASSERT_FALSE(extent.sheet.isEmpty());
    constexpr qreal kMarginPoints = PrintRenderer::kMarginMillimetres * 72 / 25.4;
    constexpr qreal kGlyphSlack = 2; // a word's box is the face's, a little taller than its letters
    const QRectF inside =
        extent.sheet.marginsRemoved(QMarginsF(kMarginPoints, kMarginPoints, kMarginPoints, kMarginPoints) -
                                    QMarginsF(kGlyphSlack, kGlyphSlack, kGlyphSlack, kGlyphSlack));
    EXPECT_TRUE(inside.contains(extent.words))
        << "words " << extent.words.left() << "," << extent.words.top() << " to " << extent.words.right()
        << "," << extent.words.bottom() << " on a sheet of " << extent.sheet.width() << "x"
        << extent.sheet.height();
}

INSTANTIATE_TEST_SUITE_P(Outputs, PrintedPageMargins,
                         ::testing::Values(MarginCase{"DefaultPrinter", true}, MarginCase{"PdfFile", false}),
                         RowName());

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
