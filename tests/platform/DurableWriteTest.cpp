#include "platform/FileSystem.h"
#include "platform/SettingsBackend.h"
#include "support/ProgramFixture.h"
#include "support/ScriptedFileSystem.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <string_view>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vrq {
namespace {

// Files this process writes may grow to `bytes` only, as on a disk that fills up: a write past it
// fails (the signal it would raise is ignored meanwhile).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
};

// A settings file is replaced whole or not at all: a disk that fills up while it is written leaves it
// as it was, keys the program does not know included, and the values wait for the next save.
TEST(DurableWriteTest, ASettingsFileTheDiskCannotTakeStaysAsItWas) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"VRQToQX7.ini"_s);
    const QByteArray handWritten = "[QX7]\nSystemID=1\n\n[Drives]\nShareRoot=/srv/shares\n";
    ASSERT_TRUE(test::ProgramFixture::writeFile(path, handWritten));

    const auto settings = SettingsBackend::openIniFile(path);
    settings->setValue(u"QX7"_s, u"LastSeqNum"_s, u"42"_s);
    {
        FileSizeLimit full(16);
        EXPECT_FALSE(settings->sync().ok());
    }
    EXPECT_EQ(test::ProgramFixture::readFile(path), handWritten);

    ASSERT_TRUE(settings->sync().ok());
    const QByteArray saved = test::ProgramFixture::readFile(path);
    EXPECT_TRUE(saved.contains("ShareRoot=/srv/shares")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("LastSeqNum=42")) << saved.toStdString();
}

dev_t deviceOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_dev : 0;
}

// A move to another disk is a copy and a delete: the source goes only once the whole copy is there.
TEST(DurableWriteTest, AMoveToAnotherDiskThatCannotTakeTheCopyKeepsTheSource) {
    QTemporaryDir here;
    QTemporaryDir there(u"/dev/shm/vrq-move-XXXXXX"_s);
    if (!there.isValid() || deviceOf(here.path()) == deviceOf(there.path()))
        GTEST_SKIP() << "no second file system to move to";
    const QString source = here.filePath(u"DataBin.Dat"_s);
    const QString target = there.filePath(u"DataBin.001"_s);
    const QByteArray bytes(4096, 'c');
    ASSERT_TRUE(test::ProgramFixture::writeFile(source, bytes));
    {
        FileSizeLimit full(100);
        EXPECT_FALSE(realFileSystem().moveFile(source, target).ok());
    }
    EXPECT_EQ(test::ProgramFixture::readFile(source), bytes);
    EXPECT_FALSE(QFile::exists(target));

    ASSERT_TRUE(realFileSystem().moveFile(source, target).ok());
    EXPECT_EQ(test::ProgramFixture::readFile(target), bytes);
    EXPECT_FALSE(QFile::exists(source));
}

// A move that has to copy copies the file moved, never what a link in its place points at: the link
// stays and no copy is made.
TEST(DurableWriteTest, AMoveByCopyTakesARegularFileButNoLink) {
    QTemporaryDir dir;
    test::ScriptedFileSystem otherDisk{test::failing(test::FsOp::Rename, {}, EXDEV)};
    const QString secret = dir.filePath(u"secret.txt"_s);
    ASSERT_TRUE(test::ProgramFixture::writeFile(secret, "private"));
    ASSERT_TRUE(QFile::link(secret, dir.filePath(u"link.txt"_s)));
    EXPECT_FALSE(otherDisk.moveFile(dir.filePath(u"link.txt"_s), dir.filePath(u"copy.txt"_s)).ok());
    EXPECT_FALSE(QFile::exists(dir.filePath(u"copy.txt"_s)));
    EXPECT_TRUE(QFileInfo(dir.filePath(u"link.txt"_s)).isSymLink());

    ASSERT_TRUE(otherDisk.moveFile(secret, dir.filePath(u"copy.txt"_s)).ok());
    EXPECT_EQ(test::ProgramFixture::readFile(dir.filePath(u"copy.txt"_s)), QByteArray("private"));
    EXPECT_FALSE(QFile::exists(secret));
}

// An order file that cannot be created or written carries the system's own error number, so that the
// export can tell a full disk (written to /dev/full) from a folder that is not there.
TEST(DurableWriteTest, AFailedCreateOrWriteKeepsTheSystemsErrorNumber) {
    QTemporaryDir dir;
    FileSystem fs;
    Result created;
    EXPECT_EQ(
        fs.openForWriting(dir.filePath(u"missing/QX710001.Tmp"_s), FileSystem::OpenMode::Truncate, &created),
        nullptr);
    EXPECT_EQ(created.code, ENOENT) << created.message.toStdString();

    std::unique_ptr<OpenFile> full =
        fs.openForWriting(u"/dev/full"_s, FileSystem::OpenMode::KeepContent, &created);
    ASSERT_NE(full, nullptr) << created.message.toStdString();
    const Result written = full->writeDurably("H order line\r\n");
    EXPECT_EQ(written.code, ENOSPC);
    EXPECT_TRUE(written.message.contains(u"No space left on device"_s)) << written.message.toStdString();
}

// The host folder is a share others write to: a link or a FIFO put under an order file's name must not
// lead the write to a file elsewhere nor stop the program waiting for a reader, in any way of opening.
TEST(DurableWriteTest, ALinkOrAFifoUnderTheNameIsRefusedAndNamed) {
    struct Planted {
        const char* name;
        const char* says;
    };
    const Planted planted[] = {
        {"LinkToAFileElsewhere", "symbolic link"}, {"LinkToNothing", "symbolic link"}, {"Fifo", "FIFO"}};
    for (const FileSystem::OpenMode mode : {FileSystem::OpenMode::Truncate, FileSystem::OpenMode::KeepContent,
                                            FileSystem::OpenMode::CreateNew}) {
        for (const Planted& entry : planted) {
            SCOPED_TRACE(entry.name);
            QTemporaryDir dir;
            const QString outside = dir.filePath(u"outside.txt"_s);
            ASSERT_TRUE(test::ProgramFixture::writeFile(outside, "private"));
            const QString name = dir.filePath(u"QX710001.Tmp"_s);
            const QByteArray native = QFile::encodeName(name);
            if (std::string_view(entry.name) == "Fifo")
                ASSERT_EQ(::mkfifo(native.constData(), 0600), 0);
            else
                ASSERT_EQ(::symlink(std::string_view(entry.name) == "LinkToNothing"
                                        ? "/nonexistent/file"
                                        : outside.toUtf8().constData(),
                                    native.constData()),
                          0);
            FileSystem fs;
            Result created;
            EXPECT_EQ(fs.openForWriting(name, mode, &created), nullptr);
            if (mode != FileSystem::OpenMode::CreateNew) { // an entry of the name is EEXIST for CreateNew
                EXPECT_TRUE(created.message.contains(QLatin1String(entry.says)))
                    << created.message.toStdString();
            }
            EXPECT_FALSE(created.ok());
            EXPECT_EQ(test::ProgramFixture::readFile(outside), QByteArray("private"));
        }
    }
}

} // namespace
} // namespace vrq
