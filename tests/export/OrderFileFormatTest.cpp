#include "export/OrderFileFormat.h"

#include "support/TestNames.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::OrderFileFormat;
using vrq::test::RowName;

namespace {

OrderRow order(const QString& customer, std::optional<QString> shipTo, const QString& message) {
    return {0, 0, 0, u"SP01"_s, customer, std::move(shipTo), u"RT9"_s, message, 0, {}};
}

struct HeaderCase {
    const char* name;
    OrderRow order;
    const char* expected;
};

class HeaderLineTest : public ::testing::TestWithParam<HeaderCase> {};

// The date as two digits each of year, month and day.
TEST_P(HeaderLineTest, FieldsSitInTheirColumns) {
    EXPECT_EQ(headerLine(GetParam().order, QDate(2105, 1, 2)), QString::fromUtf8(GetParam().expected));
}

// The file's bytes are formed without the line's text: they must be that text as the host reads it.
TEST_P(HeaderLineTest, BytesAreTheLineAsTheHostReadsIt) {
    const QDate written(2105, 1, 2);
    QByteArray bytes("before");
    appendHeaderLineBytes(bytes, GetParam().order, written);
    EXPECT_EQ(bytes, "before" + lineBytes(headerLine(GetParam().order, written)));
}

//                                                 1234567890123456789012345678901234567890123456789012
INSTANTIATE_TEST_SUITE_P(
    Orders, HeaderLineTest,
    ::testing::Values(HeaderCase{"Plain", order(u"C42"_s, u"07"_s, u"Hi"_s),
                                 "HSP01    C42   07Hi                     050102RT9   "},
                      HeaderCase{"EightCharacterCustomerKeepsSix", order(u"ABCDEFGH"_s, u"1"_s, QString()),
                                 "HSP01    ABCDEF1                        050102RT9   "},
                      HeaderCase{"NullShipToIsTwoBlanks", order(u"C1"_s, std::nullopt, u"x"_s),
                                 "HSP01    C1      x                      050102RT9   "},
                      HeaderCase{"ThirtyCharacterMessageKeepsTwentyThree",
                                 order(u"C1"_s, u"02"_s, u"123456789012345678901234567890"_s),
                                 "HSP01    C1    0212345678901234567890123050102RT9   "},
                      HeaderCase{"CharactersBeyondLatin1StayInTheText", order(u"Ä€"_s, u"0"_s, u"😀!"_s),
                                 "HSP01    Ä€    0 😀!                    050102RT9   "}),
    RowName());

ItemRow item(const QString& number, int quantity, int unit, int discount, int price) {
    return {0, 0, 0, 0, number, quantity, unit, discount, price, {}};
}

struct ItemCase {
    const char* name;
    ItemRow item;
    const char* expected;
};

class ItemLineTest : public ::testing::TestWithParam<ItemCase> {};

TEST_P(ItemLineTest, FieldsSitInTheirColumns) {
    EXPECT_EQ(itemLine(GetParam().item), QString::fromUtf8(GetParam().expected));
}

TEST_P(ItemLineTest, BytesAreTheLineAsTheHostReadsIt) {
    QByteArray bytes("before");
    appendItemLineBytes(bytes, GetParam().item);
    EXPECT_EQ(bytes, "before" + lineBytes(itemLine(GetParam().item)));
}

//                                     12345678901234567890123456
INSTANTIATE_TEST_SUITE_P(
    Items, ItemLineTest,
    ::testing::Values(
        ItemCase{"Plain", item(u"4711"_s, 12, 1, 5, 250), "I4711         012+10500250"},
        ItemCase{"NegativeQuantity", item(u"A"_s, -5, 2, 0, 0), "IA            005-20000000"},
        ItemCase{"QuantityKeepsLastThreeDigits", item(u"A"_s, 1234, 1, 0, 0), "IA            234+10000000"},
        ItemCase{"ZeroQuantityIsPlus", item(u"A"_s, 0, 0, 0, 0), "IA            000+00000000"},
        ItemCase{"NegativePriceKeepsItsSignInTheDigits", item(u"A"_s, 1, 1, 0, -5),
                 "IA            001+100000-5"},
        ItemCase{"ItemNumberLosesOuterBlanksAndIsCut", item(u"  12345678901234  "_s, 1, 1, 0, 0),
                 "I1234567890123001+10000000"},
        ItemCase{"UnitIsTheFirstCharacterOfItsNumber", item(u"A"_s, 1, 12, 0, 0),
                 "IA            001+10000000"},
        ItemCase{"NegativeUnitIsItsSign", item(u"A"_s, 1, -7, 0, 0), "IA            001+-0000000"},
        ItemCase{"DiscountKeepsLastTwoDigits", item(u"A"_s, 1, 1, 150, 0), "IA            001+15000000"},
        ItemCase{"InnerBlanksStayAndTheCutComesAfterTheLeadingOnes",
                 item(u"   AB  CD          XY"_s, 1, 1, 0, 0), "IAB  CD       001+10000000"},
        ItemCase{"LargestNumbersKeepTheirLastDigits", item(u"A"_s, INT32_MIN, 1, INT32_MAX, INT32_MIN),
                 "IA            648-14783648"},
        ItemCase{"ABlankItemNumberIsAllBlanks", item(u"     "_s, 1, 1, 0, 0), "I             001+10000000"},
        ItemCase{"CharactersBeyondLatin1StayInTheText", item(u"é€😀"_s, 1, 1, 0, 0),
                 "Ié€😀         001+10000000"}),
    RowName());

TEST(OrderFileNames, FirstDigitOfTheSystemIdAndASequenceThatRestartsAtOne) {
    EXPECT_EQ(baseName(12, 5), u"QX710005"_s);
    EXPECT_EQ(nextSequenceNumber(-7), 1) << "a number out of range starts again at 1";
}

TEST(OrderFileLines, EndInCarriageReturnLineFeedAsSingleBytes) {
    EXPECT_EQ(lineBytes(u"H\u00e9"_s), QByteArray("H\xe9\r\n"));
    EXPECT_EQ(lineBytes(u"\u20ac\U0001F600"_s), QByteArray("???\r\n")) << "a character per UTF-16 unit";
}

} // namespace
