// A field's text read as a number and a header's date read as a date-time, as the old program read them:
// blanks skipped anywhere, a sign only before the first digit, anything else ends the number; halves go
// to the even neighbour and values beyond 32 bits are held at its limits; a digit of another script is
// no digit of a number or of a date part.
#include "intake/CallHeader.h"
#include "intake/WorkRecords.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

struct NumberCase {
    const char* name;
    QString text;
    int value;
};

class LeadingIntTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(LeadingIntTest, ReadsTheNumberTheTextBeginsWith) {
    EXPECT_EQ(leadingInt(GetParam().text), GetParam().value) << GetParam().text.toStdString();
}

const NumberCase kNumbers[] = {
    {"zeroFilledWithTrailingSign", u"012-"_s, 12},
    {"signAfterALeadingZero", u"00-5"_s, 0},
    {"leadingMinus", u" -7"_s, -7},
    {"leadingPlus", u"+3"_s, 3},
    {"blanksInside", u"4 2"_s, 42},
    {"noDigits", u"000+"_s, 0},
    {"empty", QString(), 0},
    {"letterEndsIt", u"12a3"_s, 12},
    {"halfDownToEven", u"2.5"_s, 2},
    {"halfUpToEven", u"3.5"_s, 4},
    {"pointAlone", u"1.25"_s, 1},
    {"sixteenDigitsHeldAtTheLimit", u"1234567890123456"_s, std::numeric_limits<int>::max()},
    {"largeNegativeHeldAtTheLimit", u"-99999999999"_s, std::numeric_limits<int>::min()},
    {"digitOfAnotherScript", QString(QChar(0x0663)) + u"5"_s, 0},
};

INSTANTIATE_TEST_SUITE_P(Texts, LeadingIntTest, ::testing::ValuesIn(kNumbers), RowName());

// A line item's field holds exactly its width: set texts are cut or padded with blanks.
TEST(ItemFieldTest, HoldsExactlyItsWidth) {
    ItemWork item;
    EXPECT_FALSE(item.hasData());
    item.setItemNumber(u"ABC"_s);
    item.setQuantity(u"12345"_s);
    EXPECT_EQ(item.itemNumber.toString(), u"ABC          "_s);
    EXPECT_EQ(item.quantity.toString(), u"1234"_s);
    EXPECT_EQ(item.quantity.number(), 1234);
    EXPECT_TRUE(item.hasData());
    item.clear();
    EXPECT_EQ(item.itemNumber.toString() + item.quantity.toString() + item.unit.toString() +
                  item.discount.toString() + item.price.toString(),
              u"0000000000000000+ 0000000"_s);
}

struct DateCase {
    const char* name;
    QString text;
    QDateTime value; // invalid: no date
};

class CallDateTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(CallDateTest, ReadsFourteenDigitsAsADateAndTime) {
    const std::optional<QDateTime> read = parseCallDate(GetParam().text);
    EXPECT_EQ(read.value_or(QDateTime()), GetParam().value);
    EXPECT_EQ(read.has_value(), GetParam().value.isValid());
}

const DateCase kDates[] = {
    {"whole", u"20261209103000"_s, QDateTime(QDate(2026, 12, 9), QTime(10, 30, 0))},
    {"longerText", u"20261209103000xyz"_s, QDateTime(QDate(2026, 12, 9), QTime(10, 30, 0))},
    {"minuteOfAnotherScript", u"2026120910"_s + QChar(0x0663) + u"000"_s,
     QDateTime(QDate(2026, 12, 9), QTime(10, 0, 0))},
    {"noSuchMonth", u"20261309103000"_s, QDateTime()},
    {"tooShort", u"2026120910300"_s, QDateTime()},
    {"letter", u"2026120910300x"_s, QDateTime()},
};

INSTANTIATE_TEST_SUITE_P(Texts, CallDateTest, ::testing::ValuesIn(kDates), RowName());

} // namespace
} // namespace vrq::test
