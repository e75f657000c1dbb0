// What an input file of calls may be: a regular file only. A link is never followed and a FIFO, socket
// or folder is refused at once, without waiting on it.
#include "intake/CallSource.h"
#include "support/HostileEntries.h"
#include "support/IntakeFixture.h"

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
    ::testing::Values(
        OpenCase{"fileForReading", Entry::File, Access::ReadOnly, nullptr},
        OpenCase{"fileForReadingAndWriting", Entry::File, Access::ReadWrite, nullptr},
        OpenCase{"linkForReading", Entry::LinkToAFile, Access::ReadOnly,
                 "it is a symbolic link, which is never followed"},
        OpenCase{"linkForReadingAndWriting", Entry::LinkToAFile, Access::ReadWrite,
                 "it is a symbolic link, which is never followed"},
        OpenCase{"fifoForReading", Entry::Fifo, Access::ReadOnly, "it is a FIFO, not a file"},
        OpenCase{"fifoForReadingAndWriting", Entry::Fifo, Access::ReadWrite, "it is a FIFO, not a file"},
        OpenCase{"socket", Entry::Socket, Access::ReadOnly, "it is a socket, not a file"},
        OpenCase{"folderForReading", Entry::Folder, Access::ReadOnly, "it is a folder, not a file"},
        OpenCase{"folderForReadingAndWriting", Entry::Folder, Access::ReadWrite,
                 "it is a folder, not a file"}),
    RowName());

// A DataBin.Dat that is not a file (a link to a file elsewhere, a link to nothing, a FIFO): reported
// once as a file that cannot be opened, never waited on, and neither read, locked nor moved.
enum class DataBinEntry { LinkToAFile, BrokenLink, Fifo };

struct DataBinEntryCase {
    const char* name;
    DataBinEntry entry;
    const char* reason;
};

class DataBinEntryTest : public IntakeTest, public ::testing::WithParamInterface<DataBinEntryCase> {};

TEST_P(DataBinEntryTest, IsReportedOnceAndLeftAsItWas) {
    const DataBinEntryCase& c = GetParam();
    const QString target = env.path(u"elsewhere/DataBin.Dat"_s);
    QDir().mkpath(QFileInfo(target).path());
    const QByteArray calls = testdata::fileHeader() + makeCall(9, "&S123456&C12345678&I1234567890123&Q0002&");
    ASSERT_TRUE(ProgramFixture::writeFile(target, calls));
    const QByteArray dataBin = QFile::encodeName(env.dataBinFile());
    const bool made =
        c.entry == DataBinEntry::LinkToAFile ? QFile::link(target, env.dataBinFile())
        : c.entry == DataBinEntry::BrokenLink
            ? ::symlink(QFile::encodeName(target + u".gone"_s).constData(), dataBin.constData()) == 0
            : makeFifo(dataBin);
    ASSERT_TRUE(made);

    {
        HangGuard guard;
        intake.run();
        intake.run();
    }

    const QStringList errors = env.auditTexts().filter(u"DataBin.Dat cannot be opened"_s);
    ASSERT_EQ(errors.size(), 1) << "reported once while it lasts";
    EXPECT_TRUE(errors[0].startsWith(u"E|"_s) && errors[0].contains(QString::fromLatin1(c.reason)))
        << errors[0].toStdString();
    EXPECT_EQ(env.ctx.status.failedSteps, 1);
    EXPECT_TRUE(env.store->allCalls().empty());
    EXPECT_EQ(ProgramFixture::readFile(target), calls);
    struct stat info {};
    ASSERT_EQ(::lstat(dataBin.constData(), &info), 0) << "DataBin.Dat was moved";
    EXPECT_EQ(S_ISFIFO(info.st_mode), c.entry == DataBinEntry::Fifo);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, DataBinEntryTest,
    ::testing::Values(DataBinEntryCase{"linkToAFile", DataBinEntry::LinkToAFile, "(it is a symbolic link"},
                      DataBinEntryCase{"linkToNothing", DataBinEntry::BrokenLink, "(it is a symbolic link"},
                      DataBinEntryCase{"fifo", DataBinEntry::Fifo, "(it is a FIFO"}),
    RowName());

} // namespace
} // namespace vrq::test
