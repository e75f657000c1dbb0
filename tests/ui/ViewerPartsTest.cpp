#include "ViewerTestSupport.h"

#include "ui/viewers/GridSort.h"
#include "ui/viewers/ViewerFormats.h"

namespace vrq::test {
namespace {

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
                               strings({"b", "B", "a", "A"}), strings({"a#2", "A#3", "b#0", "B#1"})}),
    RowName());

TEST(CallDateText, InvalidDateShowsNothing) {
    EXPECT_TRUE(formatCallDateTime(QDateTime()).isEmpty());
    EXPECT_TRUE(formatDateKey(QDateTime()).isEmpty());
}

} // namespace
} // namespace vrq::test
