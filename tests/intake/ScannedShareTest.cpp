// The scanned folder is a share other people write to: names with backslashes, links, FIFOs, sockets,
// oversized files and names that are not text dropped beside ordinary order files.
#include "intake/FolderScan.h"
#include "support/HostileEntries.h"
#include "support/ProgramFixture.h"
#include "support/TestNames.h"
#include "testdata/DataBinGenerator.h"

#include <QDirIterator>
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

// The share: the scanned folder share/wbz/ and, beside it, a host folder with an uncollected order, a
// DataBin folder and a private file of the user: the places a backslash name used to reach.
class ScannedShareTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = env.makeFolder(u"share/wbz"_s);
        env.ctx.settings.ScannedFolder = folder;
        env.ctx.settingsStore->saveToRegistry(env.ctx.settings);
        env.makeFolder(u"share/host"_s);
        env.makeFolder(u"share/dcs"_s);
        ASSERT_TRUE(ProgramFixture::writeFile(env.path(u"share/host/QX710002.Rcv"_s), orderFile(21)));
        ASSERT_TRUE(ProgramFixture::writeFile(env.path(u"share/dcs/DataBin.Dat"_s), orderFile(22)));
        ASSERT_TRUE(ProgramFixture::writeFile(env.path(u"share/secret.txt"_s), orderFile(23)));
        QFile::setPermissions(env.path(u"share/secret.txt"_s), QFile::ReadOwner | QFile::WriteOwner);
        for (const char* name : {"a.txt", "z.txt"})
            ASSERT_TRUE(ProgramFixture::writeFile(folder + QLatin1String(name), orderFile(name[0])));
    }
    QByteArray inFolder(const QByteArray& name) const { return QFile::encodeName(folder) + name; }
    // Every entry of the share outside the scanned folder, with its permissions and bytes.
    QStringList outsideTheFolder() const {
        QStringList entries;
        QDirIterator it(env.path(u"share"_s),
                        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info = it.nextFileInfo();
            if (!info.filePath().startsWith(folder) && info.filePath() + u'/' != folder)
                entries << u"%1|%2|%3"_s.arg(info.filePath())
                               .arg(int(info.permissions()))
                               .arg(
                                   QString::fromLatin1(ProgramFixture::readFile(info.filePath()).toBase64()));
        }
        entries.sort();
        return entries;
    }
    // The bytes of every audit copy, sorted.
    QList<QByteArray> auditCopies() const {
        QList<QByteArray> copies;
        const QDir audit(env.programFolder() + u"/Audit"_s);
        for (const QString& name : audit.entryList(QDir::Files))
            copies << ProgramFixture::readFile(audit.filePath(name));
        std::sort(copies.begin(), copies.end());
        return copies;
    }

    ProgramFixture env;
    QString folder;
    FolderScan scan{env.ctx};
};

enum class Make { OrderFile, Link, Fifo, Socket, SparseFile };

struct HostileEntry {
    const char* name;
    QByteArray entryName; // the name's bytes in the scanned folder
    Make make;
    const char* linkTarget = nullptr; // a link's target, relative to the scanned folder
    // Null: the entry is an order file of its own and is taken. Else the "W" entry's name and reason.
    const char* shownName = nullptr;
    const char* reason = nullptr;
};

class HostileEntryTest : public ScannedShareTest, public ::testing::WithParamInterface<HostileEntry> {
protected:
    // The temporary directory cannot remove a name that is not text.
    void TearDown() override { ::unlink(inFolder(GetParam().entryName).constData()); }
    bool makeEntry(const HostileEntry& c, const QByteArray& path) {
        switch (c.make) {
        case Make::OrderFile:
            return writeRawNamed(path, orderFile(7));
        case Make::Link:
            return ::symlink(c.linkTarget, path.constData()) == 0;
        case Make::Fifo:
            return makeFifo(path);
        case Make::Socket:
            return makeSocket(path);
        case Make::SparseFile:
            return makeSparseFile(path, FolderScan::kLargestFile + 1);
        }
        return false;
    }
};

// Nothing outside the scanned folder is moved, changed or taken; the ordinary files beside the entry are
// taken; an entry that is an order file of its own is taken by its name as it is on disk, any other is
// left in place with one "W" entry naming it printably, and no failed step, whatever the number of scans.
TEST_P(HostileEntryTest, NothingOutsideTheFolderIsReachedAndTheOrdinaryFilesAreTaken) {
    const HostileEntry& c = GetParam();
    const QByteArray path = inFolder(c.entryName);
    ASSERT_TRUE(makeEntry(c, path)) << std::strerror(errno);
    struct stat before {};
    ASSERT_EQ(::lstat(path.constData(), &before), 0);
    const QStringList outside = outsideTheFolder();
    {
        HangGuard guard;
        for (int run = 0; run < 3; ++run)
            ASSERT_TRUE(scan.run().ok());
    }

    EXPECT_EQ(outsideTheFolder(), outside);
    QList<QByteArray> taken{orderFile('a'), orderFile('z')};
    struct stat after {};
    const bool stays = ::lstat(path.constData(), &after) == 0;
    if (!c.shownName) {
        taken << orderFile(7);
        EXPECT_FALSE(stays) << "the entry is taken";
        EXPECT_EQ(env.auditMessages(u"W"_s), QStringList());
    } else {
        EXPECT_TRUE(stays && (after.st_mode & S_IFMT) == (before.st_mode & S_IFMT)) << "the entry stays";
        EXPECT_EQ(env.auditMessages(u"W"_s), QStringList{u"ScanFolder: %1 %2; it is left where it is."_s.arg(
                                                 QString::fromUtf8(c.shownName), QLatin1String(c.reason))});
    }
    std::sort(taken.begin(), taken.end());
    EXPECT_EQ(auditCopies(), taken);
    EXPECT_EQ(env.store->allCalls().size(), size_t(taken.size()));
    EXPECT_EQ(env.auditMessages(u"E"_s).filter(u"ScanFolder"_s), QStringList());
    EXPECT_EQ(env.ctx.status.failedSteps, 0);
    EXPECT_FALSE(QFile::exists(folder + u"a.txt"_s) || QFile::exists(folder + u"z.txt"_s));
}

INSTANTIATE_TEST_SUITE_P(
    Entries, HostileEntryTest,
    ::testing::Values(
        HostileEntry{"backslashIntoTheHostFolder", "..\\host\\QX710002.Rcv", Make::OrderFile},
        HostileEntry{"backslashOntoDataBin", "..\\dcs\\DataBin.Dat", Make::OrderFile},
        HostileEntry{"backslashToAPrivateFile", "..\\secret.txt", Make::OrderFile},
        HostileEntry{"backslashNamingTheParentFolder", "..\\", Make::OrderFile},
        HostileEntry{"nameNotText", "order\xff.txt", Make::OrderFile, nullptr, "order\\xff.txt",
                     "has a name that is not UTF-8 text"},
        HostileEntry{"linkToAPrivateFile", "passwd.txt", Make::Link, "../secret.txt", "passwd.txt",
                     "is a symbolic link, which is never followed"},
        HostileEntry{"linkToDataBinWithControlCharacters", "calls\n\x1b[2J.txt", Make::Link,
                     "../dcs/DataBin.Dat", "calls\\n\\x1b[2J.txt",
                     "is a symbolic link, which is never followed"},
        HostileEntry{"fifo", "pipe.txt", Make::Fifo, nullptr, "pipe.txt", "is a FIFO, not a file"},
        HostileEntry{"socket", "socket.txt", Make::Socket, nullptr, "socket.txt", "is a socket, not a file"},
        HostileEntry{"sparseFileLargerThanAnOrderFile", "big.txt", Make::SparseFile, nullptr, "big.txt",
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
    EXPECT_EQ(env.store->allCalls().size(), 2u);
    EXPECT_EQ(env.auditMessages(u"W"_s),
              QStringList{u"ScanFolder: big.txt is larger than an order file can be "
                          u"(1048577 bytes, at most 1048576); it is left where it is."_s});
}

} // namespace
} // namespace vrq::test
