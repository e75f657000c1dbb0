#include "ViewerTestSupport.h"

#include "ui/viewers/GridSort.h"
#include "ui/viewers/HeaderPictures.h"
#include "ui/viewers/Twips.h"
#include "ui/viewers/ViewerFormats.h"

namespace vrq::test {
namespace {

TEST(HeaderPictureFaces, PressedCaptionSitsOnePixelRightAndDown) {
    ensureApplication();
    const QImage up = HeaderPictures::draw(QStringLiteral("Qty"), {40, 19}, false);
    const QImage down = HeaderPictures::draw(QStringLiteral("Qty"), {40, 19}, true);
    // The raised face is lit at the top left, the pressed one at the bottom right.
    EXPECT_GT(qGray(up.pixel(0, 0)), qGray(up.pixel(39, 18)));
    EXPECT_LT(qGray(down.pixel(0, 0)), qGray(down.pixel(39, 18)));
    // Inside the bevels, the pressed face is the raised face shifted by (1, 1).
    for (int y = 3; y < 15; ++y)
        for (int x = 3; x < 36; ++x)
            ASSERT_EQ(down.pixel(x + 1, y + 1), up.pixel(x, y)) << x << "," << y;
}

struct SortCase {
    const char* name;
    SortKind kind;
    QStringList input;
    QStringList expected;
};

class GridSortRule : public ::testing::TestWithParam<SortCase> {};

TEST_P(GridSortRule, SortsAscendingAndKeepsEqualRowsInOrder) {
    const SortCase c = GetParam();
    // Rows carry their first position so stability is visible.
    std::vector<std::pair<QString, int>> rows;
    for (int i = 0; i < c.input.size(); ++i)
        rows.emplace_back(c.input[i], i);
    sortGridRows(rows, c.kind, [](const std::pair<QString, int>& r) { return r.first; });
    QStringList result;
    for (const auto& r : rows)
        result << r.first + QLatin1Char('#') + QString::number(r.second);
    EXPECT_EQ(result, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, GridSortRule,
    ::testing::Values(SortCase{"NumericByValue", SortKind::Numeric, strings({"100", "9", "10", "-3", "2.5"}),
                               strings({"-3#3", "2.5#4", "9#1", "10#2", "100#0"})},
                      SortCase{"NumericReadsLeadingDigits", SortKind::Numeric,
                               strings({"12A", "x", " 7", ""}), strings({"x#1", "#3", " 7#2", "12A#0"})},
                      SortCase{"StringByCharacterCode", SortKind::String, strings({"b", "B", "a", "A"}),
                               strings({"A#3", "B#1", "a#2", "b#0"})},
                      SortCase{"StringIgnoringCase", SortKind::StringIgnoringCase,
                               strings({"b", "B", "a", "A"}), strings({"a#2", "A#3", "b#0", "B#1"})},
                      SortCase{"NoRows", SortKind::Numeric, strings({}), strings({})}),
    RowName());

TEST(CallDateText, InvalidDateShowsNothing) {
    EXPECT_TRUE(formatCallDateTime(QDateTime()).isEmpty());
    EXPECT_TRUE(formatDateKey(QDateTime()).isEmpty());
}

// Clamping and the round trip through pixels are checked by the calls window's stored position.
TEST(TwipsConversion, NeighboursStayJoined) {
    ensureApplication();
    const QRect first = Twips::rect(960, 760, 705, 510);
    const QRect second = Twips::rect(960 + 705, 760, 705, 510);
    EXPECT_EQ(first.right() + 1, second.left());
}

} // namespace
} // namespace vrq::test
