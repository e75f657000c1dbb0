#include "shell/CommandLine.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

using namespace vrq;

namespace {

struct SplitCase {
    const char* name;
    const char* text;
    int maxArgs;
    QStringList expected; // without the empty element 0
};

class SplitCommandLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, SplitsOnBlanksAndTabs) {
    const SplitCase& c = GetParam();
    QStringList expected = c.expected;
    expected.prepend(QString());
    EXPECT_EQ(splitCommandLine(QString::fromLatin1(c.text), c.maxArgs), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitCommandLineTest,
    ::testing::Values(
        SplitCase{"onlyBlanksAndTabs", " \t \t", 5, {}},
        SplitCase{"commandAndPath",
                  "check C:\\in\\calls.dat",
                  5,
                  {QStringLiteral("check"), QStringLiteral("C:\\in\\calls.dat")}},
        SplitCase{"runsOfBlanks", "  a  \t\t b  ", 5, {QStringLiteral("a"), QStringLiteral("b")}},
        SplitCase{"moreThanTheMaximum",
                  "1 2 3 4 5 6 7",
                  5,
                  {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                   QStringLiteral("5")}},
        SplitCase{"quotedPathWithBlanksIsOneArgument",
                  "x \"C:\\My Files\\a.dat\"",
                  5,
                  {QStringLiteral("x"), QStringLiteral("C:\\My Files\\a.dat")}},
        SplitCase{"quotesInsideAnArgument", "x a\"b c\"d", 5, {QStringLiteral("x"), QStringLiteral("ab cd")}},
        SplitCase{"emptyQuotes", "x \"\"", 5, {QStringLiteral("x"), QString()}},
        SplitCase{"maximumOfTwo", "a b c", 2, {QStringLiteral("a"), QStringLiteral("b")}}),
    test::RowName());

struct ChoiceCase {
    const char* text;
    RunChoice run;
};

TEST(ChooseRunTest, OneArgumentIsTheProgramsOwnOption) {
    const ChoiceCase cases[] = {
        {"", RunChoice::Window},
        {" \t", RunChoice::Window},
        {"--help", RunChoice::Help},
        {"--version", RunChoice::Version},
        {"--once", RunChoice::Once},
        {"--service", RunChoice::Service},
        {"file.dat", RunChoice::Usage},
        {"-x file.dat", RunChoice::Batch},
        {"--once file.dat", RunChoice::Batch},
    };
    for (const ChoiceCase& c : cases)
        EXPECT_EQ(chooseRun(QString::fromLatin1(c.text)).run, c.run) << c.text;
}

} // namespace
