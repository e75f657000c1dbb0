#include "ViewerTestSupport.h"

#include "ui/viewers/GridSort.h"
#include "ui/viewers/HeaderPictures.h"
#include "ui/viewers/Twips.h"
#include "ui/viewers/ViewerFormats.h"

namespace vrq::test {
namespace {

struct PictureCase {
    const char* name;
    HeaderPicture id;
    const char* caption;
    QSize size;
};

class HeaderPictureSet : public ::testing::TestWithParam<PictureCase> {
protected:
    static void SetUpTestSuite() { ensureApplication(); }
};

TEST_P(HeaderPictureSet, RaisedAndPressedFacesHaveTheirSizeCaptionAndEdges) {
    const PictureCase c = GetParam();
    const HeaderPictures set;
    EXPECT_EQ(HeaderPictures::caption(c.id), QString::fromUtf8(c.caption));
    for (bool pressed : {false, true}) {
        const QImage& image = set.picture(c.id, pressed);
        EXPECT_EQ(image.size(), c.size);
        EXPECT_EQ(image.depth(), 24);
        // Light top-left and dark bottom-right when raised; the reverse when pressed.
        const int topLeft = qGray(image.pixel(0, 0));
        const int bottomRight = qGray(image.pixel(image.width() - 1, image.height() - 1));
        EXPECT_EQ(topLeft > bottomRight, !pressed);
        EXPECT_EQ(image.pixelColor(image.width() / 2, 3), QColor(192, 192, 192)); // grey face
        // The caption is drawn in black somewhere on the face.
        bool black = false;
        for (int y = 2; y < image.height() - 2 && !black; ++y)
            for (int x = 2; x < image.width() - 2 && !black; ++x)
                black = qGray(image.pixel(x, y)) < 64;
        EXPECT_TRUE(black);
    }
    EXPECT_NE(set.up(c.id), set.down(c.id));
}

INSTANTIATE_TEST_SUITE_P(
    Listed, HeaderPictureSet,
    ::testing::Values(PictureCase{"Source", HeaderPicture::Source, "Source", {47, 33}},
                      PictureCase{"CallNumber", HeaderPicture::CallNumber, "Call\nNumber", {47, 33}},
                      PictureCase{
                          "CallDateTime", HeaderPicture::CallDateTime, "Call Date and Time", {120, 33}},
                      PictureCase{"Status", HeaderPicture::Status, "Status", {66, 33}},
                      PictureCase{"Salesman", HeaderPicture::Salesman, "Salesman", {60, 33}},
                      PictureCase{"Customer", HeaderPicture::Customer, "Customer", {57, 33}},
                      PictureCase{"SalespersonN", HeaderPicture::SalespersonN, "Salesperson", {73, 19}},
                      PictureCase{"CustomerN", HeaderPicture::CustomerN, "Customer", {60, 19}},
                      PictureCase{"RouteN", HeaderPicture::RouteN, "Route", {47, 19}},
                      PictureCase{"NumItemsN", HeaderPicture::NumItemsN, "# Items", {50, 19}},
                      PictureCase{"MessageN", HeaderPicture::MessageN, "Message", {168, 19}},
                      PictureCase{"ItemNumberN", HeaderPicture::ItemNumberN, "Item Number", {87, 19}},
                      PictureCase{"QtyN", HeaderPicture::QtyN, "Qty", {40, 19}},
                      PictureCase{"LevelN", HeaderPicture::LevelN, "Level", {40, 19}},
                      PictureCase{"DiscN", HeaderPicture::DiscN, "Disc %", {40, 19}},
                      PictureCase{"PriceN", HeaderPicture::PriceN, "Price", {61, 19}},
                      PictureCase{"Details", HeaderPicture::Details, "Details", {39, 15}}),
    RowName());

TEST(HeaderPictureFaces, PressedCaptionSitsOnePixelRightAndDown) {
    ensureApplication();
    const QImage up = HeaderPictures::draw(QStringLiteral("Qty"), {40, 19}, false);
    const QImage down = HeaderPictures::draw(QStringLiteral("Qty"), {40, 19}, true);
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

QStringList L(std::initializer_list<const char*> items) {
    QStringList list;
    for (const char* s : items)
        list << QString::fromUtf8(s);
    return list;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, GridSortRule,
    ::testing::Values(SortCase{"NumericByValue", SortKind::Numeric, L({"100", "9", "10", "-3", "2.5"}),
                               L({"-3#3", "2.5#4", "9#1", "10#2", "100#0"})},
                      SortCase{"NumericReadsLeadingDigits", SortKind::Numeric, L({"12A", "x", " 7", ""}),
                               L({"x#1", "#3", " 7#2", "12A#0"})},
                      SortCase{"StringByCharacterCode", SortKind::String, L({"b", "B", "a", "A"}),
                               L({"A#3", "B#1", "a#2", "b#0"})},
                      SortCase{"StringIgnoringCase", SortKind::StringIgnoringCase, L({"b", "B", "a", "A"}),
                               L({"a#2", "A#3", "b#0", "B#1"})},
                      SortCase{"StringDateKeys", SortKind::String, L({"20100101000500", "20091231230000"}),
                               L({"20091231230000#1", "20100101000500#0"})},
                      SortCase{"NoRows", SortKind::Numeric, L({}), L({})}),
    RowName());

struct ClockCase {
    const char* name;
    QTime time;
    const char* text;
};

class CallDateText : public ::testing::TestWithParam<ClockCase> {};

TEST_P(CallDateText, UsesTheTwelveHourClock) {
    const ClockCase c = GetParam();
    const QDateTime dt(QDate(2010, 3, 7), c.time);
    EXPECT_EQ(formatCallDateTime(dt), QStringLiteral("03/07/2010 ") + QLatin1String(c.text));
    EXPECT_EQ(formatCallDateTimeAt(dt), QStringLiteral("03/07/2010 at ") + QLatin1String(c.text));
    EXPECT_EQ(formatDateKey(dt), dt.toString(QStringLiteral("yyyyMMddHHmmss")));
}

INSTANTIATE_TEST_SUITE_P(Hours, CallDateText,
                         ::testing::Values(ClockCase{"AfterMidnight", QTime(0, 5), "12:05 AM"},
                                           ClockCase{"Morning", QTime(9, 30), "09:30 AM"},
                                           ClockCase{"Noon", QTime(12, 0), "12:00 PM"},
                                           ClockCase{"Afternoon", QTime(14, 5), "02:05 PM"},
                                           ClockCase{"LastSecondOfTheDay", QTime(23, 59, 59), "11:59 PM"}),
                         RowName());

TEST(CallDateText, InvalidDateShowsNothing) {
    EXPECT_TRUE(formatCallDateTime(QDateTime()).isEmpty());
    EXPECT_TRUE(formatDateKey(QDateTime()).isEmpty());
}

TEST(TwipsConversion, KeepsPositionsInSixteenBitsAndNeighboursJoined) {
    ensureApplication();
    EXPECT_EQ(Twips::clamp16(40000), 32767);
    EXPECT_EQ(Twips::clamp16(-40000), -32768);
    EXPECT_EQ(Twips::clamp16(-120), -120);
    const QRect first = Twips::rect(960, 760, 705, 510);
    const QRect second = Twips::rect(960 + 705, 760, 705, 510);
    EXPECT_EQ(first.right() + 1, second.left());
    EXPECT_EQ(Twips::fromPixelsX(Twips::toPixelsX(1500)), 1500);
}

} // namespace
} // namespace vrq::test
