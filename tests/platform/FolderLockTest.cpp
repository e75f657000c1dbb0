#include "platform/FolderLock.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vrq {
namespace {

TEST(FolderLockTest, AFolderThatCannotHoldTheLockFileSaysWhy) {
    QTemporaryDir dir;
    FolderLock lock(dir.filePath(QStringLiteral("missing/folder")));
    EXPECT_FALSE(lock.tryLock(QStringLiteral("once")));
    EXPECT_TRUE(lock.error().contains(QLatin1String("cannot be made"))) << lock.error().toStdString();
}

} // namespace
} // namespace vrq
