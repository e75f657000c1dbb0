#include "ui/NetworkErrorWindow.h"
#include "ViewerTestSupport.h"
#include "context/NetworkConnection.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

using namespace vrq;

namespace {

const QDateTime kSince(QDate(2026, 3, 10), QTime(14, 7, 30));

class NetworkErrorWindowTest : public ::testing::Test {
protected:
    void SetUp() override { test::ensureApplication(); }
};

TEST_F(NetworkErrorWindowTest, ShowsTheTextsAndTheStartTime) {
    NetworkErrorWindow window(kSince, [] { return false; });
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Network Error"));
    EXPECT_TRUE(window.isModal());
    QStringList labels;
    for (const QLabel* label : window.findChildren<QLabel*>())
        labels << label->text();
    EXPECT_EQ(labels, (QStringList{NetworkErrorMessage::label1(), NetworkErrorMessage::label2(),
                                   NetworkErrorMessage::label3(), NetworkErrorMessage::label4()}));
    EXPECT_EQ(window.shownStartTime(), QStringLiteral("02:07 PM 03/10/2026."));

    auto* properties = window.findChild<QPushButton*>();
    ASSERT_NE(properties, nullptr);
    EXPECT_EQ(properties->text(), QStringLiteral("Properties"));
    QSignalSpy spy(&window, &NetworkErrorWindow::propertiesRequested);
    properties->click();
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(NetworkErrorWindowTest, RetriesUntilTheFolderIsBackThenClosesItself) {
    int attempts = 0;
    NetworkErrorWindow window(kSince, [&] { return ++attempts == 2; });
    EXPECT_EQ(window.exec(), QDialog::Accepted);
    EXPECT_EQ(attempts, 2);
}

TEST_F(NetworkErrorWindowTest, ClosingItByHandGivesUp) {
    int attempts = 0;
    NetworkErrorWindow window(kSince, [&] {
        ++attempts;
        return true;
    });
    QTimer::singleShot(0, &window, &QDialog::reject);
    EXPECT_EQ(window.exec(), QDialog::Rejected);
    EXPECT_EQ(attempts, 0) << "closed before the first retry";
}

} // namespace
