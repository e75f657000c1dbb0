#include "intake/ScannedFileList.h"
#include "support/TestNames.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;

namespace {

const QDateTime kT0(QDate(2026, 12, 5), QTime(10, 0, 0));

FileEntry entry(const char* name, qint64 size, int secondsAfterT0 = 0) {
    return {QString::fromLatin1(name), size, kT0.addSecs(secondsAfterT0)};
}

struct ScanCase {
    const char* name;
    std::vector<FileEntry> previous;
    std::vector<FileEntry> current;
    std::vector<QString> taken;
};

class StableFilesTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(StableFilesTest, TakesFilesSeenUnchangedByTheScanBefore) {
    const ScanCase& c = GetParam();
    EXPECT_EQ(ScannedFileList::stableFiles(c.previous, c.current), c.taken);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StableFilesTest,
    ::testing::Values(ScanCase{"firstScanTakesNothing", {}, {entry("a.txt", 10)}, {}},
                      ScanCase{
                          "unchangedFileIsTaken", {entry("a.txt", 10)}, {entry("a.txt", 10)}, {u"a.txt"_s}},
                      ScanCase{"sizeChangeDelaysIt", {entry("a.txt", 10)}, {entry("a.txt", 12)}, {}},
                      ScanCase{"laterDateDelaysIt", {entry("a.txt", 10)}, {entry("a.txt", 10, 5)}, {}},
                      ScanCase{"newFilesBetweenKnownOnesWait",
                               {entry("a.txt", 1), entry("c.txt", 3)},
                               {entry("a.txt", 1), entry("b.txt", 2), entry("c.txt", 3), entry("d.txt", 4)},
                               {u"a.txt"_s, u"c.txt"_s}}),

    test::RowName());

// The listing kept between headless passes holds the entries left alone by their bytes (a name need not
// be text), and a listing written before them, a bare array of files, still gives its files.
TEST(ScannedListingTest, KeepsEntriesLeftAloneAndReadsTheEarlierForm) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"ScannedFolder.json"_s);
    const ScannedListing saved{{entry("a\nb.txt", 10)}, {QByteArray("order\xff.txt"), QByteArray("pipe")}};
    ASSERT_TRUE(ScannedFileList::save(realFileSystem(), path, saved).ok());
    const ScannedListing loaded = ScannedFileList::load(path);
    EXPECT_EQ(ScannedFileList::stableFiles(loaded.files, saved.files), std::vector<QString>{u"a\nb.txt"_s});
    EXPECT_EQ(loaded.leftAlone, saved.leftAlone);

    QFile earlier(path);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly | QIODevice::Truncate));
    earlier.write(R"([{"name":"a.txt","size":10,"modified":0}])");
    earlier.close();
    EXPECT_EQ(ScannedFileList::stableFiles(ScannedFileList::load(path).files,
                                           {{u"a.txt"_s, 10, QDateTime::fromMSecsSinceEpoch(0)}}),
              std::vector<QString>{u"a.txt"_s});
}

} // namespace
