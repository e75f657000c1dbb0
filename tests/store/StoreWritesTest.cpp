// Whether the store keeps what is written to it: a file opened read-only (as the engine opens a file
// this user cannot write), writes refused, and a file deleted or replaced under the open store.
// SQLite only: a file moved or replaced, a read-only file and a full disk are things of a file.
#include "store/sqlite/CallStore.h" // withDiskFullNamed, a helper of the SQLite store
#include "support/ProgramFixture.h"
#include "support/TestNames.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cerrno>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::test;

namespace {

enum class Change { None, OpenedReadOnly, WritesRefused, Renamed, Deleted, Replaced };

struct WritableCase {
    const char* name;
    Change change;
    const char* refusal; // part of the reason; empty: the store keeps writes
    bool moved;
};

class StoreWritesTest : public ::testing::TestWithParam<WritableCase> {};

TEST_P(StoreWritesTest, TheStoreSaysWhetherItKeepsWritesAndWhyNot) {
    const WritableCase& c = GetParam();
    ProgramFixture env;
    env.addPendingCall(0, 7);
    const QString path = env.store->units().path();
    std::unique_ptr<Store> readOnly;
    Store* store = env.store.get();
    switch (c.change) {
    case Change::None:
        break;
    case Change::OpenedReadOnly:
        readOnly = openStoreFile(path, StoreAccess::ReadOnly);
        ASSERT_TRUE(readOnly);
        store = readOnly.get();
        break;
    case Change::WritesRefused:
        store->units().refuseWrites(u"told so"_s);
        break;
    case Change::Renamed:
        ASSERT_TRUE(QFile::rename(path, path + u".old"_s));
        break;
    case Change::Deleted:
        ASSERT_TRUE(QFile::remove(path));
        break;
    case Change::Replaced:
        ASSERT_TRUE(QFile::copy(path, path + u".new"_s));
        ASSERT_TRUE(QFile::remove(path) && QFile::rename(path + u".new"_s, path));
        break;
    }
    const Result writable = store->units().writable(WriteTrial::Write);
    const QString refusal = QString::fromLatin1(c.refusal);
    EXPECT_EQ(writable.ok(), refusal.isEmpty());
    EXPECT_TRUE(writable.message.contains(refusal)) << writable.message.toStdString();
    EXPECT_EQ(store->units().fileMoved(), c.moved);
    if (c.change == Change::WritesRefused) {
        EXPECT_EQ(store->units().begin().message, u"told so"_s);
        EXPECT_FALSE(store->units().beginGroup().ok());
        EXPECT_FALSE(store->audit().insertAudit(AuditRow{}).ok());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Changes, StoreWritesTest,
    ::testing::Values(WritableCase{"untouched", Change::None, "", false},
                      WritableCase{"openedReadOnly", Change::OpenedReadOnly,
                                   "cannot be written (attempt to write a readonly database)", false},
                      WritableCase{"writesRefused", Change::WritesRefused, "told so", false},
                      WritableCase{"renamed", Change::Renamed, "was deleted or replaced", true},
                      WritableCase{"deleted", Change::Deleted, "was deleted or replaced", true},
                      WritableCase{"replacedByACopy", Change::Replaced, "was deleted or replaced", true}),
    RowName());

struct DiskFullCase {
    const char* name;
    int code;
    int systemErrno;
    bool named;
};

class DiskFullTest : public ::testing::TestWithParam<DiskFullCase> {};

TEST_P(DiskFullTest, AFullDiskIsCalledSo) {
    const DiskFullCase& c = GetParam();
    const Result named = withDiskFullNamed(Result::failure(c.code, u"engine text"_s), c.systemErrno);
    EXPECT_EQ(named.message, c.named ? u"disk full (engine text)"_s : u"engine text"_s);
    EXPECT_EQ(named.code, c.code);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, DiskFullTest,
    ::testing::Values(DiskFullCase{"engineFull", SQLITE_FULL, 0, true},
                      DiskFullCase{"writeErrorNoSpace", SQLITE_IOERR_WRITE, ENOSPC, true},
                      DiskFullCase{"syncErrorQuota", SQLITE_IOERR_FSYNC, EDQUOT, true},
                      DiskFullCase{"writeErrorOther", SQLITE_IOERR_WRITE, EIO, false},
                      DiskFullCase{"busyWhileNoSpaceLingers", SQLITE_BUSY, ENOSPC, false}),
    RowName());

} // namespace
