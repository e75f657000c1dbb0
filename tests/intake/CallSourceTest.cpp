// What an input file of calls may be: a regular file only. A link is never followed and a FIFO, socket
// or folder is refused at once, without waiting on it. (Opened for reading and writing, as DataBin.Dat
// is, the refusals are checked through the intake by UnreachableDataBinTest.)
#include "intake/CallSource.h"
#include "support/HostileEntries.h"
#include "support/ProgramFixture.h"
#include "support/TestNames.h"

#include <QFileInfo>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

enum class Entry { File, LinkToAFile, Fifo, Socket, Folder };

struct OpenCase {
    const char* name;
    Entry entry;
    CallSource::Access access;
    const char* refusal; // null: opened
};

class CallSourceOpenTest : public ::testing::TestWithParam<OpenCase> {};

TEST_P(CallSourceOpenTest, OpensRegularFilesOnly) {
    const OpenCase& c = GetParam();
    QTemporaryDir dir;
    const QByteArray file = QFile::encodeName(dir.filePath(u"calls.dat"_s));
    const QByteArray path = QFile::encodeName(dir.filePath(u"entry"_s));
    ASSERT_TRUE(writeRawNamed(file, "NDBHFID"));
    const bool made = c.entry == Entry::File          ? ::rename(file.constData(), path.constData()) == 0
                      : c.entry == Entry::LinkToAFile ? ::symlink(file.constData(), path.constData()) == 0
                      : c.entry == Entry::Fifo        ? makeFifo(path)
                      : c.entry == Entry::Socket      ? makeSocket(path)
                                                      : QDir().mkdir(QFile::decodeName(path));
    ASSERT_TRUE(made);

    CallSource source;
    const Result opened = [&] {
        HangGuard guard;
        return source.open(QFile::decodeName(path), c.access);
    }();
    if (!c.refusal) {
        ASSERT_TRUE(opened.ok()) << opened.message.toStdString();
        EXPECT_EQ(source.read(2, 6), QByteArray("DBHFID"));
        if (c.access == CallSource::Access::ReadWrite) {
            EXPECT_TRUE(source.writeByte(1, 'Y')) << "the lock flag can be written";
        }
    } else {
        EXPECT_EQ(opened.message, QString::fromLatin1(c.refusal));
        EXPECT_EQ(ProgramFixture::readFile(QFile::decodeName(file)), QByteArray("NDBHFID"));
    }
}

using Access = CallSource::Access;
INSTANTIATE_TEST_SUITE_P(
    Entries, CallSourceOpenTest,
    ::testing::Values(OpenCase{"fileForReading", Entry::File, Access::ReadOnly, nullptr},
                      OpenCase{"fileForReadingAndWriting", Entry::File, Access::ReadWrite, nullptr},
                      OpenCase{"linkForReading", Entry::LinkToAFile, Access::ReadOnly,
                               "it is a symbolic link, which is never followed"},
                      OpenCase{"fifoForReading", Entry::Fifo, Access::ReadOnly, "it is a FIFO, not a file"},
                      OpenCase{"socket", Entry::Socket, Access::ReadOnly, "it is a socket, not a file"},
                      OpenCase{"folderForReading", Entry::Folder, Access::ReadOnly,
                               "it is a folder, not a file"}),
    RowName());

// The search for the call header id finds what a search of the lowered bytes finds.
struct SearchCase {
    const char* name;
    const char* bytes;
    qsizetype from;
};

class IndexOfAnyCaseTest : public ::testing::TestWithParam<SearchCase> {};

TEST_P(IndexOfAnyCaseTest, FindsWhatTheLoweredBytesShow) {
    const QByteArray bytes(GetParam().bytes);
    const QByteArray id("bchfid");
    EXPECT_EQ(indexOfAnyCase(bytes, id, GetParam().from), bytes.toLower().indexOf(id, GetParam().from));
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, IndexOfAnyCaseTest,
    ::testing::Values(SearchCase{"upperAtStart", "BCHFID0001", 0}, SearchCase{"mixedInside", "xxbChFiDyy", 0},
                      SearchCase{"atTheVeryEnd", "1234bchfid", 0}, SearchCase{"cutAtTheEnd", "1234bchfi", 0},
                      SearchCase{"afterAFalseStart", "bchbchfid", 0},
                      SearchCase{"afterAnUpperFalseStart", "BcxbcHfiD", 0},
                      SearchCase{"skippedByFrom", "bchfidBCHFID", 1},
                      SearchCase{"fromPastTheEnd", "bchfid", 7},
                      SearchCase{"notALetterMatch", "bch\x06id", 0}, SearchCase{"empty", "", 0}),
    RowName());

} // namespace
} // namespace vrq::test
