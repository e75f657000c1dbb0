#include "KeptPrinter.h"
#include "ViewerTestSupport.h"

#include "ui/viewers/ListCallsDialog.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

// The list of calls printed through the dialog on the real default printer (a CUPS queue that keeps
// each job) and read back as text, and the same range from vrqtoqx7-report.
class ListOfCallsPrintTest : public WindowTest {
protected:
    // A good call of `day` whose orders fill `bodyLines` report lines.
    void addCallFilling(const QDate& day, int number, int bodyLines) {
        addCall(0, number, true, false, true, QDateTime(day, QTime(8, 0)).addSecs(60 * number));
        for (int i = 1; i <= bodyLines - 2; ++i)
            addOrder(0, number, u"42"_s, QString::number(number * 1000 + i), {}, i);
    }
    // Prints the good and bad calls of the day through the dialog; the pages as pdftotext reads them.
    std::vector<QStringList> printThroughDialog(const QDate& day) {
        ListCallsDialog dialog(fx.ctx);
        dialog.findChild<QDateEdit*>(u"dtpFrom"_s)->setDate(day);
        dialog.findChild<QDateEdit*>(u"dtpTo"_s)->setDate(day);
        dialog.findChild<QCheckBox*>(u"chkGoodCalls"_s)->setChecked(true);
        dialog.findChild<QCheckBox*>(u"chkBadCalls"_s)->setChecked(true);
        auto seen = answerNextMessageBox(QMessageBox::Ok);
        const auto pages = KeptPrinter::printedPages([&] { dialog.printReport(); },
                                                     u"From: "_s + day.toString(u"MM/dd/yyyy"_s));
        EXPECT_EQ(seen->text, u"Report complete."_s);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        return pages;
    }
};

// The pages as one text, each line with its runs of blanks made one (pdftotext places the same words a
// blank apart or not from one PDF to the next) and without the report time, which differs between runs.
QString withoutReportTime(const std::vector<QStringList>& pages) {
    static const QRegularExpression time(u"\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d [AP]M"_s);
    QStringList lines;
    for (const QStringList& page : pages)
        for (const QString& line : page + QStringList{u"(page end)"_s})
            lines << line.simplified();
    return lines.join(u'\n').replace(time, u"<time>"_s);
}

// Fifty-three body lines fit on the first page and the fifty-fourth starts the next, on paper and in the
// PDF of the same range.
TEST_F(ListOfCallsPrintTest, PagesBreakAfterFiftyThreeBodyLinesAndTheCommandLinePdfHoldsTheSamePages) {
    const QDate day(2031, 1, 6);
    addCallFilling(day, 1, 50);
    addCallFilling(day, 2, 5); // its third order is body line 54
    addCall(0, 3, false, false, true, QDateTime(day, QTime(23, 0)));
    const std::vector<QStringList> printed = printThroughDialog(day);
    ASSERT_EQ(printed.size(), 2u);
    const QStringList& first = printed[0];
    const QStringList& second = printed[1];
    ASSERT_GE(second.size(), 6);
    // The first page's title, last body line and footer, then the second page's "continued", first order
    // and footer.
    EXPECT_EQ(
        (QStringList{first[0].left(8), first[first.size() - 2].simplified(), first.last().simplified(),
                     second[2].simplified(), second[5].simplified(), second.last().simplified()}),
        strings({"VRQtoQX7", "Order for Customer 2002 by Salesperson 42. Number of Items = 2", "Page 1",
                 "continued", "Order for Customer 2003 by Salesperson 42. Number of Items = 3", "Page 2"}));
    EXPECT_FALSE(first.join(u'\n').contains(u"continued"_s));

    const QString pdf = fx.path(u"report.pdf"_s);
    const ReportRun run =
        runReport(fx.programFolder(), u"--from 2031-01-06 --to 2031-01-06 --good --bad --pdf"_s, {pdf});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(withoutReportTime(KeptPrinter::pdfPageLines(pdf)), withoutReportTime(printed));
}

struct CommandFailureCase {
    const char* name;
    bool withStore;
    const char* arguments; // split on blanks
    int exitCode;
    const char* message;
};

class ReportCommandFailure : public WindowTest, public ::testing::WithParamInterface<CommandFailureCase> {};

TEST_P(ReportCommandFailure, EndsNonZeroWithAClearMessage) {
    const CommandFailureCase c = GetParam();
    const QString home = c.withStore ? fx.programFolder() : fx.path(u"empty"_s);
    const ReportRun run = runReport(home, QString::fromLatin1(c.arguments));
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_TRUE(run.errors.contains(QString::fromLatin1(c.message))) << run.errors.toStdString();
    EXPECT_FALSE(QDir(fx.path(u"empty"_s)).exists()) << "the report only reads";
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ReportCommandFailure,
    ::testing::Values(
        CommandFailureCase{"BadDate", true, "--from 2031-13-01 --to 2031-12-31", 2, "is not a date"},
        CommandFailureCase{"NoStore", false, "--from 2031-01-01 --to 2031-01-31", 3, "cannot be read"},
        CommandFailureCase{"AuditNoStore", false, "--audit", 3, "cannot be read"},
        CommandFailureCase{"MissingPrinter", true, "--from 2031-01-01 --to 2031-01-31 --printer NoSuchQueue",
                           4, "NoSuchQueue"},
        CommandFailureCase{"UnwritablePdf", true,
                           "--from 2031-01-01 --to 2031-01-31 --pdf /nonexistent/x.pdf", 4,
                           "The PDF file /nonexistent/x.pdf could not be written."}),
    RowName());

// A site moved to a database server is read there, never shown the embedded store it left behind: a
// server that cannot be reached is said so, naming the store the settings mean.
TEST_F(WindowTest, ReportReadsTheDatabaseServerTheSettingsName) {
    const QString settingsFile = fx.path(u"server.ini"_s);
    QFile file(settingsFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Store]\nBackend=postgresql\nConnection=host=" + fx.makeFolder(u"no-server"_s).toUtf8() +
               " dbname=vrq connect_timeout=2\nWorkstation=4\n");
    file.close();
    for (const QString& arguments : {u"--from 2031-01-01 --to 2031-01-31"_s, u"--audit"_s}) {
        const ReportRun run = runReport(fx.programFolder(), arguments, {}, settingsFile);
        EXPECT_EQ(run.exitCode, 3) << arguments.toStdString();
        EXPECT_TRUE(run.errors.contains(
            u"The PostgreSQL store of workstation 4 cannot be read: Database connection failed"_s))
            << run.errors.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

} // namespace
} // namespace vrq::test
