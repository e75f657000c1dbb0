#include "report/ReportCommandLine.h"
#include "platform/Clock.h"
#include "report/ListOfCallsCommand.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <QTextStream>

using namespace vrq;
using namespace Qt::StringLiterals;

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

// --workstation of both reports: a number 1-99 or "all"; anything else is a usage error.
struct WorkstationCase {
    const char* name;
    const char* value;   // after --workstation; nullptr: the option given without a value
    const char* error;   // part of the message, or nullptr when understood
    int workstation = 0; // understood: the number, 0 for "all"
    bool allWorkstations = false;
};

class ReportWorkstationTest : public ::testing::TestWithParam<WorkstationCase> {
public:
    static QStringList arguments(const WorkstationCase& c, bool audit) {
        QStringList args = audit ? QStringList{u"--audit"_s}
                                 : QStringList{u"--from"_s, u"2026-03-01"_s, u"--to"_s, u"2026-03-31"_s};
        args << u"--workstation"_s;
        if (c.value)
            args << QString::fromLatin1(c.value);
        return args;
    }
};

TEST_P(ReportWorkstationTest, TheListAndTheAuditLogReadTheWorkstationOrSayWhatIsWrong) {
    const WorkstationCase& c = GetParam();
    for (const bool audit : {false, true}) {
        SCOPED_TRACE(audit ? "--audit" : "list of calls");
        const ReportCommandParse parse = parseReportCommand(arguments(c, audit));
        if (c.error) {
            EXPECT_TRUE(parse.error.contains(QString::fromLatin1(c.error))) << parse.error.toStdString();
            continue;
        }
        ASSERT_TRUE(parse.ok()) << parse.error.toStdString();
        EXPECT_EQ(parse.command.audit, audit);
        EXPECT_EQ(parse.command.workstation, c.workstation);
        EXPECT_EQ(parse.command.allWorkstations, c.allWorkstations);
    }
}

// A bad value ends the report as every usage error does: the message, the usage, exit 2; no store is read.
using ReportBadWorkstationTest = ReportWorkstationTest;

TEST_P(ReportBadWorkstationTest, ExitsAsAUsageError) {
    const WorkstationCase& c = GetParam();
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    const SystemClock clock;
    EXPECT_EQ(runListOfCallsCommand(arguments(c, false), clock, outStream, errStream),
              ReportExit::kBadArguments);
    errStream.flush();
    EXPECT_TRUE(err.contains(QString::fromLatin1(c.error))) << err.toStdString();
    EXPECT_TRUE(err.contains(u"Usage: vrqtoqx7-report"_s)) << err.toStdString();
}

const WorkstationCase kGoodWorkstations[] = {
    {"Three", "3", nullptr, 3},
    {"NinetyNine", "99", nullptr, 99},
    {"All", "all", nullptr, 0, true},
    {"AllInCapitals", "ALL", nullptr, 0, true},
};
const WorkstationCase kBadWorkstations[] = {
    {"Zero", "0", "--workstation \"0\" is neither a workstation number (1-99) nor \"all\""},
    {"Hundred", "100", "--workstation \"100\" is neither"},
    {"NotANumber", "x", "--workstation \"x\" is neither"},
    {"Negative", "-3", "--workstation \"-3\" is neither"},
    {"Missing", nullptr, "--workstation needs a value"},
};

INSTANTIATE_TEST_SUITE_P(Understood, ReportWorkstationTest, ::testing::ValuesIn(kGoodWorkstations),
                         test::RowName());
INSTANTIATE_TEST_SUITE_P(Refused, ReportWorkstationTest, ::testing::ValuesIn(kBadWorkstations),
                         test::RowName());
INSTANTIATE_TEST_SUITE_P(Refused, ReportBadWorkstationTest, ::testing::ValuesIn(kBadWorkstations),
                         test::RowName());

} // namespace
