#include "intake/ScannedFileList.h"
#include "support/TestNames.h"

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

} // namespace
