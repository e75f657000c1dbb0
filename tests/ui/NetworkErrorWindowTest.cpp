#include "ui/NetworkErrorWindow.h"
#include "ViewerTestSupport.h"
#include "context/NetworkConnection.h"

using namespace vrq;

namespace {

const QDateTime kSince(QDate(2026, 3, 10), QTime(14, 7, 30));
const QString kFolder = QStringLiteral("I:\\QX7Com\\ (the share \\\\HOST\\Qdls on drive I:)");

class NetworkErrorWindowTest : public ::testing::Test {
protected:
    void SetUp() override { test::ensureApplication(); }
};

// Its Properties button is followed in WindowModeTest.
TEST_F(NetworkErrorWindowTest, RetriesUntilTheFolderIsBackThenClosesItself) {
    int attempts = 0;
    NetworkErrorWindow window(kSince, kFolder, [&] { return ++attempts == 2; });
    EXPECT_EQ(window.exec(), QDialog::Accepted);
    EXPECT_EQ(attempts, 2);
}

TEST_F(NetworkErrorWindowTest, ClosingItByHandGivesUp) {
    int attempts = 0;
    NetworkErrorWindow window(kSince, kFolder, [&] {
        ++attempts;
        return true;
    });
    QTimer::singleShot(0, &window, &QDialog::reject);
    EXPECT_EQ(window.exec(), QDialog::Rejected);
    EXPECT_EQ(attempts, 0) << "closed before the first retry";
}

} // namespace
