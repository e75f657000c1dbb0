#include "ui/NetworkErrorWindow.h"
#include "ViewerTestSupport.h"

using namespace vrq;

namespace {

// Its Properties button is followed in WindowModeTest.
TEST(NetworkErrorWindowTest, RetriesUntilTheFolderIsBackThenClosesItself) {
    test::ensureApplication();
    int attempts = 0;
    NetworkErrorWindow window(QDateTime(QDate(2026, 3, 10), QTime(14, 7, 30)), QStringLiteral("I:\\QX7Com\\"),
                              [&] { return ++attempts == 2; });
    EXPECT_EQ(window.exec(), QDialog::Accepted);
    EXPECT_EQ(attempts, 2);
}

} // namespace
