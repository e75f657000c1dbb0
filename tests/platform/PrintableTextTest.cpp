#include "platform/PrintableText.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace vrq {
namespace {

struct PrintableCase {
    const char* name;
    QByteArray bytes; // a file name as the file system holds it
    const char* shown;
};

class PrintableNameTest : public ::testing::TestWithParam<PrintableCase> {};

// Each name is one line that shows every byte; as text, and written again, it stays the same.
TEST_P(PrintableNameTest, ShowsEveryByteOnOneLine) {
    const PrintableCase& c = GetParam();
    const QString shown = QString::fromUtf8(c.shown);
    EXPECT_EQ(printableName(c.bytes).toStdString(), shown.toStdString());
    EXPECT_EQ(printableText(shown).toStdString(), shown.toStdString()) << "escaping again changes nothing";
    if (QString::fromUtf8(c.bytes).toUtf8() == c.bytes) {
        EXPECT_EQ(printableText(QString::fromUtf8(c.bytes)).toStdString(), shown.toStdString());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, PrintableNameTest,
    ::testing::Values(
        PrintableCase{"plain", "Order 1.txt", "Order 1.txt"},
        PrintableCase{"backslashesStay", "..\\host\\QX710002.Rcv", "..\\host\\QX710002.Rcv"},
        PrintableCase{"lettersBeyondAscii", "Bestellung Müller €.txt", "Bestellung Müller €.txt"},
        PrintableCase{"outsideTheBasicPlane", "order \xf0\x9f\x93\xa6.txt", "order \xf0\x9f\x93\xa6.txt"},
        PrintableCase{"newlineTabReturn", "a\nb\tc\r", "a\\nb\\tc\\r"},
        PrintableCase{"terminalEscapeAndDelete", "\x1b[2Jx\x7f", "\\x1b[2Jx\\x7f"},
        PrintableCase{"nextLineControl", "a\xc2\x85z", "a\\u{0085}z"},
        PrintableCase{"lineSeparator", "a\xe2\x80\xa8z", "a\\u{2028}z"},
        PrintableCase{"rightToLeftOverride",
                      "txt.\xe2\x80\xae"
                      "exe",
                      "txt.\\u{202e}exe"},
        PrintableCase{"invalidByte", "order\xff.txt", "order\\xff.txt"},
        PrintableCase{"cutSequence", "a\xe2\x82", "a\\xe2\\x82"},
        PrintableCase{"overlongSlash", "a\xc0\xafz", "a\\xc0\\xafz"},
        PrintableCase{"encodedSurrogate", "\xed\xa0\x80", "\\xed\\xa0\\x80"}),
    test::RowName());

} // namespace
} // namespace vrq
