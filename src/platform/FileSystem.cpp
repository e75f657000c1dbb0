#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace vrq {

namespace {

Result errnoFailure(const QString& what, int err) {
    return Result::failure(err, what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(err)));
}

#ifdef Q_OS_UNIX
int renameNoReplaceSyscall(const QByteArray& from, const QByteArray& to) {
#if defined(SYS_renameat2)
    constexpr unsigned int kNoReplace = 1; // RENAME_NOREPLACE
    long rc = syscall(SYS_renameat2, AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), kNoReplace);
    if (rc == 0)
        return 0;
    if (errno != ENOSYS && errno != EINVAL)
        return errno;
#endif
    // File systems without renameat2: a hard link fails on an existing target, then drop the old name.
    if (::link(from.constData(), to.constData()) != 0)
        return errno;
    ::unlink(from.constData());
    return 0;
}
#endif

#ifdef Q_OS_UNIX
EntryKind entryKind(mode_t mode) {
    if (S_ISREG(mode))
        return EntryKind::File;
    if (S_ISDIR(mode))
        return EntryKind::Folder;
    if (S_ISLNK(mode))
        return EntryKind::Link;
    if (S_ISFIFO(mode))
        return EntryKind::Fifo;
    if (S_ISSOCK(mode))
        return EntryKind::Socket;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return EntryKind::Device;
    return EntryKind::Other;
}

// Why an entry that is not a regular file is not opened, named by what it is.
Result notRegular(mode_t mode) {
    switch (entryKind(mode)) {
    case EntryKind::Link:
        return Result::failure(ELOOP, QStringLiteral("it is a symbolic link, which is never followed"));
    case EntryKind::Folder:
        return Result::failure(EISDIR, QStringLiteral("it is a folder, not a file"));
    case EntryKind::Fifo:
        return Result::failure(EINVAL, QStringLiteral("it is a FIFO, not a file"));
    case EntryKind::Socket:
        return Result::failure(EINVAL, QStringLiteral("it is a socket, not a file"));
    case EntryKind::Device:
        return Result::failure(EINVAL, QStringLiteral("it is a device, not a file"));
    case EntryKind::File:
    case EntryKind::Other:
        break;
    }
    return Result::failure(EINVAL, QStringLiteral("it is not a regular file"));
}

Result systemFailure(int err) {
    return Result::failure(err, QString::fromLocal8Bit(std::strerror(err)));
}

// Why an open of the entry failed with err: a link (ELOOP), a FIFO or socket (ENXIO), a folder (EISDIR)
// named by what it is, anything else in the system's own words.
Result openFailure(const QByteArray& native, int err) {
    struct stat info {};
    if (::lstat(native.constData(), &info) == 0 && !S_ISREG(info.st_mode))
        return notRegular(info.st_mode);
    return systemFailure(err);
}
#endif

// Opens the source of a copy. A link is not followed and only a regular file is read, so what lands in
// the copy is the file that was moved, never what a link in its place points at; nor does a FIFO block.
bool openCopySource(QFile& source) {
#ifdef Q_OS_UNIX
    Result refused;
    const int fd = openRegularFile(source.fileName(), false, &refused);
    return fd >= 0 && source.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
#else
    return source.open(QIODevice::ReadOnly);
#endif
}

Result copyFlushDelete(const QString& from, const QString& to) {
    QFile source(from);
    if (!openCopySource(source))
        return Result::failure(EIO, QStringLiteral("cannot open %1 as a regular file").arg(from));
    QFile target(to);
    if (target.exists())
        return Result::failure(EEXIST, QStringLiteral("%1 already exists").arg(to));
    if (!target.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return Result::failure(EIO, QStringLiteral("cannot create %1: %2").arg(to, target.errorString()));
    // The source goes only once the whole copy is on the disk; any failure before leaves it as it was.
    const auto abandonCopy = [&](const QString& why) {
        target.close();
        target.remove();
        return Result::failure(ENOSPC, why);
    };
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(1 << 20);
        if (chunk.isEmpty() && source.error() != QFileDevice::NoError)
            return abandonCopy(QStringLiteral("cannot read %1: %2").arg(from, source.errorString()));
        if (target.write(chunk) != chunk.size())
            return abandonCopy(QStringLiteral("cannot write %1").arg(to));
    }
    if (!target.flush())
        return abandonCopy(QStringLiteral("cannot write %1: %2").arg(to, target.errorString()));
#ifdef Q_OS_UNIX
    if (::fsync(target.handle()) != 0)
        return abandonCopy(
            QStringLiteral("cannot flush %1: %2").arg(to, QString::fromLocal8Bit(std::strerror(errno))));
#endif
    target.close();
    source.close();
    if (!QFile::remove(from))
        return Result::failure(EIO, QStringLiteral("copied to %1 but cannot delete %2").arg(to, from));
    return Result::success();
}

Result writeWhole(QFile& file, const QByteArray& bytes) {
    const QString path = file.fileName();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Result::failure(EIO, QStringLiteral("cannot create %1: %2").arg(path, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.flush())
        return Result::failure(ENOSPC, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return Result::success();
}

Result overwriteInPlace(QFile& file, const QByteArray& bytes) {
    const QString path = file.fileName();
    if (!file.open(QIODevice::ReadWrite))
        return Result::failure(EIO, QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    if (!file.seek(0) || file.write(bytes) != bytes.size() || !file.flush())
        return Result::failure(ENOSPC, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return Result::success();
}

#ifdef Q_OS_UNIX
// One descriptor for the file's life: each write is one pwrite, the size one fstat.
class DescriptorFile : public OpenFile {
public:
    DescriptorFile(int fd, QString path) : m_fd(fd), m_path(std::move(path)) {}
    ~DescriptorFile() override { ::close(m_fd); }
    DescriptorFile(const DescriptorFile&) = delete;
    DescriptorFile& operator=(const DescriptorFile&) = delete;

    Result writeAt(qint64 offset, const QByteArray& bytes) override {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::pwrite(m_fd, bytes.constData() + done, bytes.size() - done,
                                       static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) { // a write that writes nothing is what a full disk does
                const int err = n < 0 ? errno : ENOSPC;
                return errnoFailure(QStringLiteral("cannot write %1").arg(m_path), err);
            }
            done += n;
        }
        return Result::success();
    }
    Result writeDurably(const QByteArray& bytes) override {
        if (Result written = writeAt(0, bytes); !written)
            return written;
        if (::fsync(m_fd) != 0)
            return errnoFailure(QStringLiteral("flush %1").arg(m_path), errno);
        return Result::success();
    }
    qint64 size() const override {
        struct stat info {};
        return ::fstat(m_fd, &info) == 0 ? static_cast<qint64>(info.st_size) : -1;
    }
    Result setPermissions(int mode) override {
        if (::fchmod(m_fd, static_cast<mode_t>(mode)) != 0)
            return errnoFailure(QStringLiteral("set the permissions of %1").arg(m_path), errno);
        return Result::success();
    }

private:
    int m_fd;
    QString m_path;
};
#else
class QtOpenFile : public OpenFile {
public:
    explicit QtOpenFile(const QString& path) : m_file(path) {}
    bool open(bool truncate) {
        return m_file.open(QIODevice::ReadWrite | (truncate ? QIODevice::Truncate : QIODevice::OpenMode()));
    }
    QString errorString() const { return m_file.errorString(); }

    Result writeAt(qint64 offset, const QByteArray& bytes) override {
        if (!m_file.seek(offset) || m_file.write(bytes) != bytes.size() || !m_file.flush())
            return Result::failure(
                ENOSPC, QStringLiteral("cannot write %1: %2").arg(m_file.fileName(), errorString()));
        return Result::success();
    }
    Result writeDurably(const QByteArray& bytes) override { return writeAt(0, bytes); }
    qint64 size() const override { return m_file.size(); }
    // Windows files carry no permission bits: the share's access rules decide who reads them.
    Result setPermissions(int) override { return Result::success(); }

private:
    QFile m_file;
};
#endif

} // namespace

#ifdef Q_OS_UNIX
int openRegularFile(const QString& path, bool write, Result* result, LinkAtEnd link) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), (write ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC |
                                                  (link == LinkAtEnd::Refuse ? O_NOFOLLOW : 0));
    if (fd < 0) {
        *result = openFailure(native, errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *result = notRegular(info.st_mode);
        ::close(fd);
        return -1;
    }
    // Reads of a regular file never wait; the flag is dropped so nothing below has to know of it.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    *result = Result::success();
    return fd;
}
#endif

bool FileSystem::fileExists(const QString& path) const {
    QFileInfo info(path);
    return info.exists() && info.isFile();
}

bool FileSystem::folderExists(const QString& path) const {
    if (path.isEmpty())
        return false;
    QFileInfo info(path);
    return info.exists() && info.isDir();
}

bool FileSystem::entryExists(const QString& path) const {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink(); // a link to nothing is there too
}

std::optional<QByteArray> FileSystem::readFile(const QString& path) const {
    QFile file(path);
#ifdef Q_OS_UNIX
    // Only a regular file is read: opening a FIFO would wait for a writer for good and a device could be
    // read without end.
    Result refused;
    const int fd = openRegularFile(path, false, &refused, LinkAtEnd::Follow);
    if (fd < 0)
        return std::nullopt;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
#else
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
#endif
    return file.readAll();
}

qint64 FileSystem::fileSize(const QString& path) const {
    QFileInfo info(path);
    return info.exists() ? info.size() : -1;
}

QDateTime FileSystem::lastModified(const QString& path) const {
    QFileInfo info(path);
    return info.exists() ? info.lastModified() : QDateTime();
}

QString FileSystem::canonicalPath(const QString& path) const {
    if (path.isEmpty())
        return {};
    return QFileInfo(path).canonicalFilePath();
}

Result FileSystem::makePath(const QString& folder) {
    if (QDir().mkpath(folder))
        return Result::success();
    return Result::failure(EIO, QStringLiteral("cannot create folder %1").arg(folder));
}

Result FileSystem::removeFile(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return Result::failure(ENOENT, QStringLiteral("%1 does not exist").arg(path));
    if (file.remove())
        return Result::success();
    return Result::failure(EIO, QStringLiteral("cannot delete %1: %2").arg(path, file.errorString()));
}

Result FileSystem::renameNoReplace(const QString& from, const QString& to) {
#ifdef Q_OS_UNIX
    const int err = renameNoReplaceSyscall(QFile::encodeName(from), QFile::encodeName(to));
    if (err == 0)
        return Result::success();
    return errnoFailure(QStringLiteral("rename %1 to %2").arg(from, to), err);
#else
    if (QFile::exists(to))
        return Result::failure(EEXIST, QStringLiteral("%1 already exists").arg(to));
    if (QFile::rename(from, to))
        return Result::success();
    return Result::failure(EIO, QStringLiteral("cannot rename %1 to %2").arg(from, to));
#endif
}

Result FileSystem::moveFile(const QString& from, const QString& to) {
    Result renamed = renameNoReplace(from, to);
    if (renamed || renamed.code != EXDEV)
        return renamed;
    return copyFlushDelete(from, to);
}

Result FileSystem::writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return writeWhole(file, bytes);
}

Result FileSystem::writeFileDurably(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (Result written = writeWhole(file, bytes); !written)
        return written;
#ifdef Q_OS_UNIX
    if (::fsync(file.handle()) != 0)
        return errnoFailure(QStringLiteral("flush %1").arg(path), errno);
#endif
    file.close();
    return Result::success();
}

Result FileSystem::replaceFileDurably(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path); // writes beside the target, flushes, then renames over it
    if (!file.open(QIODevice::WriteOnly))
        return Result::failure(EIO, QStringLiteral("cannot create %1: %2").arg(path, file.errorString()));
    // The buffered bytes are written out here, where a failure can still be seen: commit() does not
    // look at a failure of its own final write and would put a cut-short file (on a full disk, an
    // empty one) in place of the whole one.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Result::failure(ENOSPC, QStringLiteral("cannot write %1: %2").arg(path, reason));
    }
    if (!file.commit())
        return Result::failure(ENOSPC, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return Result::success();
}

Result FileSystem::overwrite(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return overwriteInPlace(file, bytes);
}

std::unique_ptr<OpenFile> FileSystem::openForWriting(const QString& path, OpenMode mode, Result* result) {
#ifdef Q_OS_UNIX
    // O_NONBLOCK: a FIFO without a reader fails at once (ENXIO) instead of waiting for one; a regular
    // file's writes are not changed by it.
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK |
                      (mode == OpenMode::Truncate ? O_TRUNC : 0) | (mode == OpenMode::CreateNew ? O_EXCL : 0);
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), flags, 0666);
    if (fd < 0) {
        const int err = errno;
        // Anything under the name is EEXIST for CreateNew, whatever it is.
        const Result why = err == EEXIST ? systemFailure(err) : openFailure(native, err);
        *result = Result::failure(why.code, QStringLiteral("cannot create %1: %2").arg(path, why.message));
        return nullptr;
    }
    *result = Result::success();
    return std::make_unique<DescriptorFile>(fd, path);
#else
    auto file = std::make_unique<QtOpenFile>(path);
    if (!file->open(mode == OpenMode::Truncate)) {
        *result = Result::failure(EIO, QStringLiteral("cannot create %1: %2").arg(path, file->errorString()));
        return nullptr;
    }
    *result = Result::success();
    return file;
#endif
}

std::vector<FileEntry> FileSystem::listFiles(const QString& folder) const {
    std::vector<FileEntry> entries;
    const QFileInfoList infos =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& info : infos)
        entries.push_back({info.fileName(), info.size(), info.lastModified()});
    std::sort(entries.begin(), entries.end(),
              [](const FileEntry& a, const FileEntry& b) { return a.name < b.name; });
    return entries;
}

#ifdef Q_OS_UNIX
namespace {
FolderEntry folderEntry(const QByteArray& nativeName, const struct stat& info) {
    FolderEntry entry;
    entry.nativeName = nativeName;
    entry.name = QFile::decodeName(nativeName);
    // A name that does not survive the way through text would reach another file, or none.
    if (QFile::encodeName(entry.name) != nativeName)
        entry.name.clear();
    entry.kind = entryKind(info.st_mode);
    entry.size = info.st_size;
    entry.lastModified =
        QDateTime::fromMSecsSinceEpoch(qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000);
    return entry;
}
} // namespace
#endif

std::vector<FolderEntry> FileSystem::listEntries(const QString& folder) const {
    std::vector<FolderEntry> entries;
#ifdef Q_OS_UNIX
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return entries;
    while (const dirent* found = ::readdir(dir)) {
        const QByteArray nativeName(found->d_name);
        if (nativeName == "." || nativeName == "..")
            continue;
        struct stat info {};
        // By the entry's own type, relative to the folder opened: no link on the way is followed.
        if (::fstatat(::dirfd(dir), found->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0)
            entries.push_back(folderEntry(nativeName, info));
    }
    ::closedir(dir);
#else
    const QFileInfoList infos = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QFileInfo& info : infos) {
        const EntryKind kind = info.isSymLink() ? EntryKind::Link
                               : info.isDir() ? EntryKind::Folder
                               : info.isFile() ? EntryKind::File
                                               : EntryKind::Other;
        entries.push_back(
            {QFile::encodeName(info.fileName()), info.fileName(), kind, info.size(), info.lastModified()});
    }
#endif
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        return a.name != b.name ? a.name < b.name : a.nativeName < b.nativeName;
    });
    return entries;
}

Result FileSystem::listFolders(const QString& folder, QStringList* names) const {
    names->clear();
#ifdef Q_OS_WIN
    QDir dir(folder);
    if (!dir.exists())
        return Result::failure(ENOENT, QStringLiteral("%1 does not exist").arg(folder));
    *names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
    return Result::success();
#else
    const QByteArray path = QFile::encodeName(folder);
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return Result::failure(errno, QString::fromLocal8Bit(std::strerror(errno)));
    int readError = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            readError = errno;
            break;
        }
        const QString name = QFile::decodeName(entry->d_name);
        if (name.startsWith(QLatin1Char('.')))
            continue;
        struct stat info {};
        const QByteArray full = path + '/' + entry->d_name;
        if (::stat(full.constData(), &info) == 0 && S_ISDIR(info.st_mode))
            names->append(name);
    }
    ::closedir(dir);
    if (readError != 0)
        return Result::failure(readError, QString::fromLocal8Bit(std::strerror(readError)));
    return Result::success();
#endif
}

QStringList FileSystem::entryNames(const QString& folder) const {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

FileSystem& realFileSystem() {
    static FileSystem fs;
    return fs;
}

FreeNameMove moveToFreeName(FileSystem& fs, const QString& from, const std::function<QString(int)>& candidate,
                            const std::function<void(int)>& beforeMove, const ReplacePermission& mayReplace) {
    FreeNameMove move;
    for (int index = 0;; ++index) {
        const QString to = candidate(index);
        if (to.isEmpty()) {
            if (move.index < 0)
                move.result = Result::failure(EINVAL, QStringLiteral("no name to move %1 to").arg(from));
            else
                move.result = Result::failure(EEXIST, QStringLiteral("every name for %1 is taken").arg(from));
            return move;
        }
        move.index = index;
        move.path = to;
        if (fs.folderExists(to))
            continue;
        if (fs.fileExists(to) && !(mayReplace && mayReplace(index, to) && fs.removeFile(to).ok()))
            continue;
        if (beforeMove)
            beforeMove(index);
        move.result = fs.moveFile(from, to);
        if (move.result.ok() || move.result.code != EEXIST)
            return move;
    }
}

bool changedBefore(const FileSystem& fs, const QString& path, const QDateTime& cutoff) {
    const QDateTime changed = fs.lastModified(path);
    return changed.isValid() && changed < cutoff;
}

} // namespace vrq
