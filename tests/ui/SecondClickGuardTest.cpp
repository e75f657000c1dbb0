#include "ViewerTestSupport.h"

#include "ui/SecondClickGuard.h"

#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

struct SecondClickCase {
    const char* name;
    bool firstClickOpensTheWindow; // else the first click lands on the new window's button too
    int clicksExpected;
};

class SecondClickGuardTest : public ::testing::TestWithParam<SecondClickCase> {};

// A button in one window opens a second window whose button lies under the pointer; a double-click then
// clicks that button only when both of its clicks went to it.
TEST_P(SecondClickGuardTest, DoubleClickPressesAControlOnlyWhenBothClicksReachedIt) {
    ensureApplication();
    const SecondClickCase c = GetParam();
    SecondClickGuard guard;
    qApp->installEventFilter(&guard);

    QWidget opener;
    auto* open = new QPushButton(u"Details"_s, &opener);
    open->setGeometry(0, 0, 200, 60);
    QWidget opened;
    auto* reExtract = new QPushButton(u"Re-Extract"_s, &opened);
    reExtract->setGeometry(0, 0, 200, 60);
    QObject::connect(open, &QPushButton::clicked, &opened, [&] { opened.show(); });
    int clicks = 0;
    QObject::connect(reExtract, &QPushButton::clicked, [&] { ++clicks; });
    opener.show();

    const QPoint at(100, 30);
    if (c.firstClickOpensTheWindow) {
        QTest::mouseClick(open, Qt::LeftButton, {}, at);
        ASSERT_TRUE(opened.isVisible());
    } else {
        opened.show();
        QTest::mouseClick(reExtract, Qt::LeftButton, {}, at);
        clicks = 0;
    }
    // The window system's second click: a press, the double-click, the release.
    QTest::mousePress(reExtract, Qt::LeftButton, {}, at);
    QTest::mouseDClick(reExtract, Qt::LeftButton, {}, at);
    QTest::mouseRelease(reExtract, Qt::LeftButton, {}, at);
    EXPECT_EQ(clicks, c.clicksExpected);
    EXPECT_FALSE(reExtract->isDown()) << "the button stays pressed";
    qApp->removeEventFilter(&guard);
}

INSTANTIATE_TEST_SUITE_P(Clicks, SecondClickGuardTest,
                         ::testing::Values(SecondClickCase{"SecondClickOnTheWindowTheFirstOpened", true, 0},
                                           SecondClickCase{"BothClicksOnTheSameWindow", false, 1}),
                         RowName());

} // namespace
} // namespace vrq::test
