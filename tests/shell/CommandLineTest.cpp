#include "shell/CommandLine.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

using namespace vrq;

namespace {

struct SplitCase {
    const char* name;
    const char* text;
    int maxArgs;
    std::vector<const char*> expected; // without the empty element 0
};

class SplitCommandLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, SplitsOnBlanksAndTabs) {
    const SplitCase& c = GetParam();
    QStringList expected{QString()};
    for (const char* argument : c.expected)
        expected << QString::fromLatin1(argument);
    EXPECT_EQ(splitCommandLine(QString::fromLatin1(c.text), c.maxArgs), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitCommandLineTest,
    ::testing::Values(SplitCase{"onlyBlanksAndTabs", " \t \t", 5, {}},
                      SplitCase{"runsOfBlanks", "  a  \t\t b  ", 5, {"a", "b"}},
                      SplitCase{"moreThanTheMaximum", "1 2 3 4 5 6 7", 5, {"1", "2", "3", "4", "5"}},
                      SplitCase{"quotesInsideAnArgument", "x a\"b c\"d", 5, {"x", "ab cd"}},
                      SplitCase{"emptyQuotes", "x \"\"", 5, {"x", ""}},
                      SplitCase{"maximumOfTwo", "a b c", 2, {"a", "b"}}),
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
        {"--service", RunChoice::Service},
        {"file.dat", RunChoice::Usage},
        {"--once file.dat", RunChoice::Batch},
        {"--copy-store-to \"host=db1 dbname=vrq\"", RunChoice::CopyStore},
        {"--copy-store-to", RunChoice::CopyStore},
        {"check --copy-store-to", RunChoice::Batch},
    };
    for (const ChoiceCase& c : cases)
        EXPECT_EQ(chooseRun(QString::fromLatin1(c.text)).run, c.run) << c.text;
}

TEST(ChooseRunTest, TheCopysConnectionIsOneArgumentWithItsBlanks) {
    char program[] = "vrqtoqx7";
    char option[] = "--copy-store-to";
    char connection[] = "host=/run/pg dbname='vrq calls' user=desk1";
    char* argv[] = {program, option, connection};
    const CommandLineChoice choice = chooseRun(commandLineText(3, argv));
    ASSERT_EQ(choice.arguments.size(), 3);
    EXPECT_EQ(choice.arguments.at(2), QString::fromLatin1(connection));
}

} // namespace
