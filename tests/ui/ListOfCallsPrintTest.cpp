#include "KeptPrinter.h"
#include "ViewerTestSupport.h"

#include "ui/viewers/ListCallsDialog.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QRegularExpression>

namespace vrq::test {
namespace {

// The list of calls printed through the dialog on the real default printer (a CUPS queue that keeps
// each job) and read back as text, and the same range from vrqtoqx7-report.
class ListOfCallsPrintTest : public WindowTest {
protected:
    void SetUp() override {
        m_folder = KeptPrinter::folder();
        ASSERT_FALSE(m_folder.isEmpty());
    }
    // A good call of `day` whose orders fill `bodyLines` report lines.
    void addCallFilling(const QDate& day, int number, int bodyLines) {
        addCall(0, number, true, false, true, QDateTime(day, QTime(8, 0)).addSecs(60 * number));
        for (int i = 1; i <= bodyLines - 2; ++i)
            addOrder(0, number, QStringLiteral("42"), QString::number(number * 1000 + i), {}, i);
    }
    // Prints the range through the dialog; the pages as pdftotext reads them, one text per page.
    QStringList printThroughDialog(const QDate& day, bool good = true, bool bad = false) {
        ListCallsDialog dialog(fx.ctx);
        dialog.findChild<QDateEdit*>(QStringLiteral("dtpFrom"))->setDate(day);
        dialog.findChild<QDateEdit*>(QStringLiteral("dtpTo"))->setDate(day);
        dialog.findChild<QCheckBox*>(QStringLiteral("chkGoodCalls"))->setChecked(good);
        dialog.findChild<QCheckBox*>(QStringLiteral("chkBadCalls"))->setChecked(bad);
        const QSet<QString> before = KeptPrinter::jobs(m_folder);
        auto seen = answerNextMessageBox(QMessageBox::Ok);
        dialog.printReport();
        EXPECT_EQ(seen->text, QStringLiteral("Report complete."));
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        const QString job = KeptPrinter::waitForJobFile(m_folder, before, marker(day)).value_or(QString());
        EXPECT_FALSE(job.isEmpty()) << "no job kept for " << marker(day).toStdString();
        return job.isEmpty() ? QStringList() : pagesOf(job);
    }
    static QString marker(const QDate& day) {
        return QStringLiteral("From: ") + day.toString(QStringLiteral("MM/dd/yyyy"));
    }
    // The pages of a PDF, each as its non-empty lines, blanks rebuilt from where each word stands: the
    // face is fixed-pitch, so a word's width over its length is the width of one character.
    static QStringList pagesOf(const QString& pdf) {
        QProcess process;
        process.start(QStringLiteral("pdftotext"), {QStringLiteral("-tsv"), pdf, QStringLiteral("-")});
        process.waitForFinished(20000);
        struct Word {
            double left;
            double pitch;
            QString text;
        };
        std::map<int, std::map<int, std::vector<Word>>> words; // page, top, words
        for (const QString& row :
             QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            const QStringList f = row.split(QLatin1Char('\t'));
            if (f.size() < 12 || f[0] != QLatin1String("5") || f[11].isEmpty())
                continue;
            words[f[1].toInt()][qRound(f[7].toDouble() * 4)].push_back(
                {f[6].toDouble(), f[8].toDouble() / f[11].size(), f[11]});
        }
        QStringList pages;
        for (const auto& [page, lines] : words) {
            double pageLeft = 1e9;
            for (const auto& [top, line] : lines)
                for (const Word& w : line)
                    pageLeft = std::min(pageLeft, w.left);
            QStringList text;
            for (auto [top, line] : lines) {
                std::sort(line.begin(), line.end(),
                          [](const Word& a, const Word& b) { return a.left < b.left; });
                QString shown;
                for (const Word& w : line) {
                    const int column = qRound((w.left - pageLeft) / w.pitch);
                    shown += QString(std::max<qsizetype>(column - shown.size(), shown.isEmpty() ? 0 : 1),
                                     QLatin1Char(' ')) +
                             w.text;
                }
                text << shown;
            }
            pages << text.join(QLatin1Char('\n'));
        }
        return pages;
    }
    static QStringList textLines(const QString& page) { return page.split(QLatin1Char('\n')); }

    QString m_folder;
};

// --- the command-line report ---------------------------------------------------------------------------

// The report time in the first line differs between two runs.
QString withoutReportTime(QString text) {
    static const QRegularExpression time(QStringLiteral("\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d [AP]M"));
    return text.replace(time, QStringLiteral("<time>"));
}

// Fifty-three body lines fit on the first page and the fifty-fourth starts the next, on paper and in the
// PDF of the same range.
TEST_F(ListOfCallsPrintTest, PagesBreakAfterFiftyThreeBodyLinesAndTheCommandLinePdfHoldsTheSamePages) {
    const QDate day(2031, 1, 6);
    addCallFilling(day, 1, 50);
    addCallFilling(day, 2, 5); // its third order is body line 54
    addCall(0, 3, false, false, true, QDateTime(day, QTime(23, 0)));
    const QStringList printed = printThroughDialog(day, true, true);
    ASSERT_EQ(printed.size(), 2);
    const QStringList first = textLines(printed[0]);
    const QStringList second = textLines(printed[1]);
    ASSERT_GE(first.size(), 6);
    ASSERT_GE(second.size(), 6);
    EXPECT_TRUE(first[0].startsWith(QStringLiteral("VRQtoQX7"))) << first[0].toStdString();
    EXPECT_FALSE(printed[0].contains(QStringLiteral("continued")));
    EXPECT_EQ(second[2].trimmed(), QStringLiteral("continued"));
    EXPECT_EQ(first.last().trimmed(), QStringLiteral("Page 1"));
    EXPECT_EQ(first[first.size() - 2].trimmed(),
              QStringLiteral("Order for Customer 2002 by Salesperson 42.  Number of Items = 2"));
    EXPECT_EQ(second[5].trimmed(),
              QStringLiteral("Order for Customer 2003 by Salesperson 42.  Number of Items = 3"));
    EXPECT_EQ(second.last().trimmed(), QStringLiteral("Page 2"));

    const QString pdf = fx.path(QStringLiteral("report.pdf"));
    const ReportRun run = runReport(
        fx.programFolder(), QStringLiteral("--from 2031-01-06 --to 2031-01-06 --good --bad --pdf"), {pdf});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(withoutReportTime(pagesOf(pdf).join(QLatin1Char('\f'))),
              withoutReportTime(printed.join(QLatin1Char('\f'))));
}

struct CommandFailureCase {
    const char* name;
    bool withStore;
    const char* arguments; // split on blanks
    int exitCode;
    const char* message;
};

class ListOfCallsCommandFailure : public WindowTest,
                                  public ::testing::WithParamInterface<CommandFailureCase> {};

TEST_P(ListOfCallsCommandFailure, EndsNonZeroWithAClearMessage) {
    const CommandFailureCase c = GetParam();
    const QString home = c.withStore ? fx.programFolder() : fx.path(QStringLiteral("empty"));
    const ReportRun run = runReport(home, QString::fromLatin1(c.arguments));
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_TRUE(run.errors.contains(QString::fromLatin1(c.message))) << run.errors.toStdString();
    EXPECT_FALSE(QDir(fx.path(QStringLiteral("empty"))).exists()) << "the report only reads";
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ListOfCallsCommandFailure,
    ::testing::Values(
        CommandFailureCase{"BadDate", true, "--from 2031-13-01 --to 2031-12-31", 2, "is not a date"},
        CommandFailureCase{"NoStore", false, "--from 2031-01-01 --to 2031-01-31", 3, "cannot be read"},
        CommandFailureCase{"MissingPrinter", true, "--from 2031-01-01 --to 2031-01-31 --printer NoSuchQueue",
                           4, "NoSuchQueue"}),
    RowName());

} // namespace
} // namespace vrq::test
