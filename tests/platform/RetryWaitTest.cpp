// The wait between attempts at something that keeps failing.
#include "platform/RetryWait.h"

#include <gtest/gtest.h>

namespace vrq {
namespace {

const QDateTime kStart{QDate(2026, 12, 8), QTime(8, 0, 0)};

TEST(RetryWaitTest, TheWaitDoublesAfterEachFailureUpToItsLongest) {
    RetryWait wait(1, 10);
    const int expected[] = {1, 2, 4, 8, 10, 10};
    QDateTime now = kStart;
    for (const int seconds : expected) {
        ASSERT_TRUE(wait.due(now));
        wait.failed(now);
        EXPECT_EQ(wait.seconds(), seconds);
        EXPECT_FALSE(wait.due(now.addSecs(seconds - 1))) << "a second before the wait is over";
        now = now.addSecs(seconds);
    }
}

TEST(RetryWaitTest, ASuccessEndsTheWaitAndTheNextFailureStartsItAgain) {
    RetryWait wait(2, 60);
    EXPECT_FALSE(wait.failing());
    EXPECT_TRUE(wait.due(kStart)) << "nothing failed: always due";
    wait.failed(kStart);
    wait.failed(kStart.addSecs(2));
    EXPECT_EQ(wait.seconds(), 4);
    wait.succeeded();
    EXPECT_FALSE(wait.failing());
    EXPECT_TRUE(wait.due(kStart));
    wait.failed(kStart.addSecs(10));
    EXPECT_EQ(wait.seconds(), 2);
}

} // namespace
} // namespace vrq
