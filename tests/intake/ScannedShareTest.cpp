// The scanned folder is a share other people write to: names with backslashes, links, FIFOs, sockets,
// oversized files and names that are not text dropped beside ordinary order files.
#include "intake/FolderScan.h"
#include "support/HostileEntries.h"
#include "support/ProgramFixture.h"
#include "support/TestNames.h"
#include "testdata/DataBinGenerator.h"

#include <QFile>
#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

QByteArray orderFile(quint32 seed) {
    return testdata::generateScannedFile(testdata::Dialect::Standard, 1, 2, seed).bytes;
}

// The scanned folder share/wbz/ with two ordinary order files, and beside it a private file of the user.
class ScannedShareTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = env.makeFolder(u"share/wbz"_s);
        env.ctx.settings.scannedFolder = folder;
        env.ctx.settingsStore->save(env.ctx.settings);
        ASSERT_TRUE(ProgramFixture::writeFile(env.path(u"share/secret.txt"_s), orderFile(23)));
        for (const char* name : {"a.txt", "z.txt"})
            ASSERT_TRUE(ProgramFixture::writeFile(folder + QLatin1String(name), orderFile(name[0])));
    }
    QByteArray inFolder(const QByteArray& name) const { return QFile::encodeName(folder) + name; }

    ProgramFixture env;
    QString folder;
    FolderScan scan{env.ctx};
};

enum class Make { NameNotText, Link, Fifo, Socket, SparseFile };

struct HostileEntry {
    const char* name;
    QByteArray entryName; // the name's bytes in the scanned folder
    Make make;
    const char* shownName; // as the "W" entry names it
    const char* reason;
};

class HostileEntryTest : public ScannedShareTest, public ::testing::WithParamInterface<HostileEntry> {
protected:
    // The temporary directory cannot remove a name that is not text.
    void TearDown() override { ::unlink(inFolder(GetParam().entryName).constData()); }
};

// An entry that is no order file of its own stays as it is, whatever the number of scans, with one "W"
// entry naming it printably and no failed step; the ordinary files beside it are taken. Backslash names
// taken as themselves and nothing reached outside the folder are checked on the built program by
// HostileShareTest.
TEST_P(HostileEntryTest, IsLeftInPlaceAndReportedOnceBesideTheOrdinaryFilesTaken) {
    const HostileEntry& c = GetParam();
    const QByteArray path = inFolder(c.entryName);
    const bool made = c.make == Make::NameNotText ? writeRawNamed(path, orderFile(7))
                      : c.make == Make::Link      ? ::symlink("../secret.txt", path.constData()) == 0
                      : c.make == Make::Fifo      ? makeFifo(path)
                      : c.make == Make::Socket    ? makeSocket(path)
                                                  : makeSparseFile(path, FolderScan::kLargestFile + 1);
    ASSERT_TRUE(made) << std::strerror(errno);
    struct stat before {};
    ASSERT_EQ(::lstat(path.constData(), &before), 0);
    {
        HangGuard guard;
        for (int run = 0; run < 3; ++run)
            ASSERT_TRUE(scan.run().ok());
    }

    struct stat after {};
    EXPECT_TRUE(::lstat(path.constData(), &after) == 0 &&
                (after.st_mode & S_IFMT) == (before.st_mode & S_IFMT))
        << "the entry stays";
    EXPECT_EQ(env.auditMessages(u"W"_s), QStringList{u"ScanFolder: %1 %2; it is left where it is."_s.arg(
                                             QString::fromUtf8(c.shownName), QLatin1String(c.reason))});
    EXPECT_EQ(env.store->calls().allCalls().size(), 2u);
    EXPECT_EQ(env.ctx.status.failedSteps, 0);
    EXPECT_FALSE(QFile::exists(folder + u"a.txt"_s) || QFile::exists(folder + u"z.txt"_s));
}

INSTANTIATE_TEST_SUITE_P(
    Entries, HostileEntryTest,
    ::testing::Values(HostileEntry{"nameNotText", "order\xff.txt", Make::NameNotText, "order\\xff.txt",
                                   "has a name that is not UTF-8 text"},
                      HostileEntry{"linkToAPrivateFile", "passwd.txt", Make::Link, "passwd.txt",
                                   "is a symbolic link, which is never followed"},
                      HostileEntry{"linkWithControlCharacters", "calls\n\x1b[2J.txt", Make::Link,
                                   "calls\\n\\x1b[2J.txt", "is a symbolic link, which is never followed"},
                      HostileEntry{"fifo", "pipe.txt", Make::Fifo, "pipe.txt", "is a FIFO, not a file"},
                      HostileEntry{"socket", "socket.txt", Make::Socket, "socket.txt",
                                   "is a socket, not a file"},
                      HostileEntry{"sparseFileLargerThanAnOrderFile", "big.txt", Make::SparseFile, "big.txt",
                                   "is larger than an order file can be (1048577 bytes, at most 1048576)"}),
    RowName());

// The single headless pass is a new process each time: an entry left alone is reported by the first
// pass that sees it only, and again once it has gone and come back.
TEST_F(ScannedShareTest, AnEntryLeftAloneIsReportedOnceWhileItStaysAcrossRuns) {
    const QByteArray link = inFolder("passwd.txt");
    const auto pass = [&] {
        FolderScan thisRun(env.ctx);
        thisRun.keepListingIn(env.programFolder() + u"/ScannedFolder.json"_s);
        EXPECT_TRUE(thisRun.run().ok());
        return int(env.auditMessages(u"W"_s).size());
    };
    ASSERT_EQ(::symlink("../secret.txt", link.constData()), 0);
    EXPECT_EQ(QList<int>({pass(), pass()}), QList<int>({1, 1}));
    ASSERT_EQ(::unlink(link.constData()), 0);
    pass();
    ASSERT_EQ(::symlink("../secret.txt", link.constData()), 0);
    EXPECT_EQ(pass(), 2) << "reported again when it came back";
}

// The real file system with a listing that gives sizes from before the files grew.
class ShrinkingListing : public FileSystem {
public:
    std::vector<FolderEntry> listEntries(const QString& folder) const override {
        std::vector<FolderEntry> entries = FileSystem::listEntries(folder);
        for (FolderEntry& entry : entries)
            entry.size = std::min<qint64>(entry.size, 100);
        return entries;
    }
};

// A file that grows past the limit after the listing is left alone at its opening, not read.
TEST_F(ScannedShareTest, AFileGrownPastTheLimitSinceTheListingIsLeftAlone) {
    ShrinkingListing listing;
    env.ctx.fs = &listing;
    ASSERT_TRUE(makeSparseFile(inFolder("big.txt"), FolderScan::kLargestFile + 1));
    scan.run();
    scan.run();
    EXPECT_TRUE(QFile::exists(folder + u"big.txt"_s));
    EXPECT_EQ(env.store->calls().allCalls().size(), 2u);
    EXPECT_EQ(env.auditMessages(u"W"_s),
              QStringList{u"ScanFolder: big.txt is larger than an order file can be "
                          u"(1048577 bytes, at most 1048576); it is left where it is."_s});
}

} // namespace
} // namespace vrq::test
