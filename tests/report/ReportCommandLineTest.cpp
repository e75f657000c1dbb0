#include "report/ReportCommandLine.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

using namespace vrq;

namespace {

// A command understood is the list of calls of March 2026 unless it asks for the audit log.
struct ReportArgsCase {
    const char* name;
    const char* arguments; // split on blanks
    const char* error;     // part of the message, or nullptr when understood
    bool good = true;
    bool bad = false;
    const char* pdf = "";
    const char* printer = "";
    bool audit = false;
    QDate since = QDate();
    const char* type = "";
};

class ReportCommandLineTest : public ::testing::TestWithParam<ReportArgsCase> {};

TEST_P(ReportCommandLineTest, UnderstandsTheOptionsOrSaysWhatIsWrong) {
    const ReportArgsCase& c = GetParam();
    const ReportCommandParse parse = parseReportCommand(QString::fromLatin1(c.arguments).split(u' '));
    if (c.error) {
        EXPECT_TRUE(parse.error.contains(QString::fromLatin1(c.error))) << parse.error.toStdString();
        return;
    }
    ASSERT_TRUE(parse.ok()) << parse.error.toStdString();
    EXPECT_EQ(parse.command.audit, c.audit);
    if (c.audit) {
        EXPECT_EQ(parse.command.since, c.since);
        EXPECT_EQ(parse.command.auditType, QString::fromLatin1(c.type));
        return;
    }
    EXPECT_EQ(parse.command.from, QDate(2026, 3, 1));
    EXPECT_EQ(parse.command.to, QDate(2026, 3, 31));
    EXPECT_EQ(parse.command.goodCalls, c.good);
    EXPECT_EQ(parse.command.badCalls, c.bad);
    EXPECT_EQ(parse.command.pdfFile, QString::fromLatin1(c.pdf));
    EXPECT_EQ(parse.command.printerName, QString::fromLatin1(c.printer));
}

ReportArgsCase auditCase(const char* name, const char* arguments, QDate since = {}, const char* type = "") {
    return {name, arguments, nullptr, true, false, "", "", true, since, type};
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReportCommandLineTest,
    ::testing::Values(
        ReportArgsCase{"GoodCallsWithoutBoxes", "--from 2026-03-01 --to 2026-03-31", nullptr},
        ReportArgsCase{"BadOnly", "--from 2026-03-01 --to 2026-03-31 --bad", nullptr, false, true},
        ReportArgsCase{"Printer", "--from 2026-03-01 --to 2026-03-31 --printer Office", nullptr, true, false,
                       "", "Office"},
        ReportArgsCase{"MissingTo", "--from 2026-03-01", "Both --from and --to"},
        ReportArgsCase{"NotADay", "--from 2026-02-30 --to 2026-03-31", "\"2026-02-30\" is not a date"},
        ReportArgsCase{"OtherForm", "--from 03/01/2026 --to 2026-03-31", "YYYY-MM-DD"},
        ReportArgsCase{"FromAfterTo", "--from 2026-04-01 --to 2026-03-31", "is after"},
        ReportArgsCase{"ValueMissing", "--from 2026-03-01 --to 2026-03-31 --pdf", "--pdf needs a value"},
        ReportArgsCase{"PdfAndPrinter", "--from 2026-03-01 --to 2026-03-31 --pdf a.pdf --printer P",
                       "together"},
        ReportArgsCase{"GivenTwice", "--from 2026-03-01 --to 2026-03-31 --to 2026-03-31", "given twice"},
        ReportArgsCase{"Unknown", "--from 2026-03-01 --to 2026-03-31 --goood",
                       "Unknown argument \"--goood\""},
        auditCase("AuditEverything", "--audit"),
        auditCase("AuditLowerCaseType", "--since 2026-03-10 --audit --type e", QDate(2026, 3, 10), "E"),
        ReportArgsCase{"AuditUnknownType", "--audit --type Q", "--type \"Q\" is not a type letter"},
        ReportArgsCase{"AuditWithListOption", "--audit --from 2026-03-01",
                       "--from cannot be given with --audit"},
        ReportArgsCase{"SinceWithoutAudit", "--since 2026-03-10", "--since is an option of --audit"}),
    test::RowName());

} // namespace
