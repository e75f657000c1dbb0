// The header and Details pictures are drawn with the pixels of the sharpest screen, at the same size in
// the windows: at 144 dpi a picture holds 1.5 times the pixels each way, drawn, not blown up.
#include "ViewerTestSupport.h"

#include "ui/viewers/HeaderPictures.h"

namespace vrq::test {
namespace {

struct RatioCase {
    const char* name;
    qreal ratio;
};

class HeaderPicturesRatio : public ::testing::TestWithParam<RatioCase> {
protected:
    void SetUp() override { ensureApplication(); }
};

TEST_P(HeaderPicturesRatio, HoldTheScreensPixelsAtTheirWindowSize) {
    const qreal ratio = GetParam().ratio;
    const HeaderPictures sharp(ratio);
    const HeaderPictures plain(1.0);
    for (int i = 0; i < kHeaderPictureCount; ++i) {
        const auto id = static_cast<HeaderPicture>(i);
        for (bool pressed : {false, true}) {
            const QImage& picture = sharp.picture(id, pressed);
            const std::string name = HeaderPictures::caption(id).toStdString() + (pressed ? " down" : " up");
            EXPECT_EQ(picture.deviceIndependentSize().toSize(), HeaderPictures::size(id)) << name;
            EXPECT_EQ(picture.size(), (QSizeF(HeaderPictures::size(id)) * ratio).toSize()) << name;
            // A picture blown up from the plain one would match it pixel for pixel.
            const QImage blownUp = plain.picture(id, pressed).scaled(picture.size());
            EXPECT_EQ(picture.convertToFormat(blownUp.format()) == blownUp, ratio == 1.0) << name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, HeaderPicturesRatio,
                         ::testing::Values(RatioCase{"Dpi96", 1.0}, RatioCase{"Dpi144", 1.5},
                                           RatioCase{"Dpi192", 2.0}),
                         RowName());

} // namespace
} // namespace vrq::test
