#include "platform/FolderLock.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vrq {
namespace {

TEST(FolderLockTest, SecondCopyIsRefusedAndToldWhoRunsUntilTheFirstLetsGo) {
    QTemporaryDir dir;
    FolderLock first(dir.path());
    ASSERT_TRUE(first.tryLock(QStringLiteral("service"))) << first.error().toStdString();

    FolderLock second(dir.path());
    EXPECT_FALSE(second.tryLock(QStringLiteral("once")));
    EXPECT_EQ(second.holderMode(), QStringLiteral("service"));
    EXPECT_TRUE(second.error().contains(QLatin1String("(service) is running")))
        << second.error().toStdString();

    first.unlock();
    EXPECT_TRUE(second.tryLock(QStringLiteral("once")));
    FolderLock third(dir.path());
    EXPECT_FALSE(third.tryLock(QStringLiteral("window")));
    EXPECT_EQ(third.holderMode(), QStringLiteral("once"));
}

TEST(FolderLockTest, AFolderThatCannotHoldTheLockFileSaysWhy) {
    QTemporaryDir dir;
    FolderLock lock(dir.filePath(QStringLiteral("missing/folder")));
    EXPECT_FALSE(lock.tryLock(QStringLiteral("once")));
    EXPECT_TRUE(lock.error().contains(QLatin1String("cannot be made"))) << lock.error().toStdString();
}

} // namespace
} // namespace vrq
