// The store connection of the settings may name no password, however it is spelt.
#include "settings/StoreConnection.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

using namespace vrq;

namespace {

struct ConnectionRow {
    const char* name;
    const char* connection;
    bool holdsPassword;
};

class StoreConnectionTest : public ::testing::TestWithParam<ConnectionRow> {};

TEST_P(StoreConnectionTest, APasswordIsFoundHoweverItIsSpelt) {
    const ConnectionRow& row = GetParam();
    const QString connection = QString::fromUtf8(row.connection);
    EXPECT_EQ(StoreConnection::holdsPassword(connection), row.holdsPassword) << row.connection;
    const QString refusal = StoreConnection::passwordRefusal(connection);
    if (row.holdsPassword)
        EXPECT_EQ(refusal, QStringLiteral("The store connection in the settings holds a password; keep it in "
                                          "~/.pgpass or a service file instead."));
    else
        EXPECT_TRUE(refusal.isEmpty()) << refusal.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StoreConnectionTest,
    ::testing::Values(
        // key=value
        ConnectionRow{"empty", "", false},
        ConnectionRow{"hostDatabaseAndUser", "host=db1 dbname=vrq user=desk1", false},
        ConnectionRow{"password", "password=x", true},
        ConnectionRow{"passwordAfterOtherKeys", "host=db1 dbname=vrq user=desk1 password=s3cret", true},
        ConnectionRow{"upperCaseWithBlanksAndQuotedValue", " PASSWORD = 'a b'", true},
        ConnectionRow{"emptyPassword", "host=db1 password=", true},
        ConnectionRow{"emptyQuotedPassword", "host=db1 password=''", true},
        ConnectionRow{"tabsAroundTheEqualsSign", "host=db1\tpassword\t=\tx", true},
        ConnectionRow{"sslKeyPassword", "host=db1 sslpassword=x", true},
        ConnectionRow{"passwordInsideAQuotedValue", "dbname='password=x'", false},
        ConnectionRow{"passwordAfterAnEscapedQuote", "dbname='a\\' password=x'", false},
        ConnectionRow{"passwordInsideAnEscapedWord", "application_name=a\\ password=x", false},
        ConnectionRow{"passwordAfterAQuotedValueWithBlanks", "dbname='a b' password=x", true},
        ConnectionRow{"passwordAfterAWordWithoutEquals", "host=db1 stray password=x", true},
        ConnectionRow{"passwordFileIsNoPassword", "host=db1 passfile=/home/desk1/.pgpass", false},
        ConnectionRow{"keywordEndingInPassword", "mypassword=x", false},
        ConnectionRow{"serviceFile", "service=vrq", false},
        // URIs
        ConnectionRow{"uriWithUser", "postgresql://desk1@db1/vrq", false},
        ConnectionRow{"uriWithoutUser", "postgresql://db1:5432/vrq?sslmode=require", false},
        ConnectionRow{"uriWithPassword", "postgresql://u:pw@h/db", true},
        ConnectionRow{"shortSchemeWithPassword", "postgres://u:pw@h/db", true},
        ConnectionRow{"uriWithEmptyPassword", "postgresql://u:@h/db", true},
        ConnectionRow{"uriWithPasswordAndSeveralHosts", "postgresql://u:pw@h1:5432,h2/db", true},
        ConnectionRow{"uriPasswordInTheQuery", "postgresql://u@h/db?password=x", true},
        ConnectionRow{"uriPasswordAfterOtherParameters", "postgresql://h/db?sslmode=require&password=x",
                      true},
        ConnectionRow{"uriPercentEncodedPasswordKeyword", "postgresql://h/db?pass%77ord=x", true},
        ConnectionRow{"uriPasswordOnlyInAValue", "postgresql://h/db?application_name=password", false},
        ConnectionRow{"uriEncodedColonInTheUser", "postgresql://u%3Ax@h/db", false},
        ConnectionRow{"uriAtSignInThePath", "postgresql://h/db:x@y", false},
        ConnectionRow{"upperCaseSchemeWithPassword", " POSTGRESQL://u:pw@h/db", true}),
    test::RowName());

} // namespace
