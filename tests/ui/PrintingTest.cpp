#include "KeptPrinter.h"
#include "ViewerTestSupport.h"

#include "ui/printing/PrintDialogs.h"
#include "ui/printing/PrintDocument.h"
#include "ui/printing/PrintRenderer.h"

#include <QRegularExpression>

namespace vrq::test {
namespace {

struct PagingCase {
    const char* name;
    int lines;
    int linesPerPage;  // 0: none
    QList<int> breaks; // a page break before these lines (from 0)
    int pages;
};

class PrintPaging : public ::testing::TestWithParam<PagingCase> {};

// Pages as the PDF has them: fixed lines per page, explicit breaks, and a page longer than the paper.
TEST_P(PrintPaging, PdfHasThePagesOfTheDocument) {
    ensureApplication();
    const PagingCase c = GetParam();
    PrintDocument document(QStringLiteral("Paging"));
    document.setLinesPerPage(c.linesPerPage);
    for (int i = 0; i < c.lines; ++i) {
        if (c.breaks.contains(i))
            document.pageBreak();
        document.addLine(QStringLiteral("Line %1").arg(i + 1));
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("paging.pdf"));
    const Result written = PrintRenderer::writePdf(document, path);
    ASSERT_TRUE(written.ok()) << written.message.toStdString();
    EXPECT_EQ(KeptPrinter::pdfPages(path), c.pages);
    // Every line comes out once, in order.
    const QString text = KeptPrinter::pdfText(path);
    qsizetype at = 0;
    for (int i = 1; i <= c.lines; ++i) {
        at = text.indexOf(QRegularExpression(QStringLiteral("Line %1\\b").arg(i)), at);
        ASSERT_GE(at, 0) << "line " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, PrintPaging,
                         ::testing::Values(PagingCase{"ExplicitBreaks", 6, 0, {2, 4}, 3},
                                           PagingCase{"BreakOnEmptyPageIsIgnored", 4, 2, {2}, 2},
                                           PagingCase{"LongerThanThePaper", 200, 0, {}, 4}),
                         RowName());

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
