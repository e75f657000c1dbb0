#include "platform/FolderLock.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace vrq {
namespace {

// Not a lock another copy holds: a failed start, not "try again later".
TEST(FolderLockTest, AFolderThatCannotHoldTheLockFileSaysWhy) {
    QTemporaryDir dir;
    FolderLock lock(dir.filePath(u"missing/folder"_s));
    EXPECT_FALSE(lock.tryLock(u"once"_s));
    EXPECT_TRUE(lock.error().contains("cannot be made"_L1)) << lock.error().toStdString();
    EXPECT_FALSE(lock.heldByAnotherCopy());
}

} // namespace
} // namespace vrq
