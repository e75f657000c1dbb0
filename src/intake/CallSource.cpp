#include "intake/CallSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vrq {

namespace {
constexpr qint64 kBlockSize = 64 * 1024;

#ifdef Q_OS_UNIX
// Why an entry that is not a regular file is not opened, named by what it is.
Result notRegular(mode_t mode) {
    const auto refused = [](int code, const char* why) {
        return Result::failure(code, QString::fromLatin1(why));
    };
    if (S_ISLNK(mode))
        return refused(ELOOP, "it is a symbolic link, which is never followed");
    if (S_ISDIR(mode))
        return refused(EISDIR, "it is a folder, not a file");
    if (S_ISFIFO(mode))
        return refused(EINVAL, "it is a FIFO, not a file");
    if (S_ISSOCK(mode))
        return refused(EINVAL, "it is a socket, not a file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return refused(EINVAL, "it is a device, not a file");
    return refused(EINVAL, "it is not a regular file");
}

// Opens a regular file only, without following a link at the end of the path and without waiting on a
// FIFO or a device: the type is checked on the descriptor opened, so it cannot change after the check.
// The descriptor, or -1 with the failure in *result.
int openRegularFile(const QString& path, bool write, Result* result) {
    const QByteArray native = QFile::encodeName(path);
    const int fd =
        ::open(native.constData(), (write ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        struct stat info {};
        // A link (ELOOP), a socket (ENXIO), a folder opened for writing (EISDIR): named by what it is.
        if (::lstat(native.constData(), &info) == 0 && !S_ISREG(info.st_mode))
            *result = notRegular(info.st_mode);
        else
            *result = Result::failure(err, QString::fromLocal8Bit(std::strerror(err)));
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
    return fd;
}
#endif
} // namespace

Result CallSource::open(const QString& path, Access access) {
    close();
    m_path = path;
    const QIODevice::OpenMode mode = access == Access::ReadWrite ? QIODevice::ReadWrite : QIODevice::ReadOnly;
#ifdef Q_OS_UNIX
    Result opened;
    const int fd = openRegularFile(path, access == Access::ReadWrite, &opened);
    if (fd < 0)
        return opened;
    // Unbuffered: the block buffer below is the only one, so a block is read once and copied once.
    if (!m_file.open(fd, mode | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Result::failure(m_file.errorString());
    }
#else
    m_file.setFileName(path);
    if (!m_file.open(mode | QIODevice::ExistingOnly | QIODevice::Unbuffered))
        return Result::failure(m_file.errorString());
#endif
    m_length = m_file.size();
    return Result::success();
}

void CallSource::close() {
    if (m_file.isOpen())
        m_file.close();
    m_block.clear();
    m_blockStart = 0;
    m_length = 0;
}

bool CallSource::loadBlock(qint64 position) {
    m_block.clear();
    m_blockStart = position;
    if (!m_file.seek(position - 1)) {
        m_error = m_file.errorString();
        return false;
    }
    const qint64 wanted = std::min(kBlockSize, m_length - position + 1);
    m_block = m_file.read(wanted);
    if (m_block.size() < wanted) {
        // The file was cut short under us: what is missing counts as past its end, so every reader
        // that walks to the end stops there.
        m_error = m_file.errorString();
        m_length = position - 1 + m_block.size();
        return !m_block.isEmpty();
    }
    return true;
}

int CallSource::byteOutsideBlock(qint64 position) {
    if (position < 1 || position > m_length)
        return -1;
    if (!loadBlock(position) || position >= m_blockStart + m_block.size())
        return -1;
    return static_cast<unsigned char>(m_block.at(position - m_blockStart));
}

CallSource::LoadedRun CallSource::loadedRun(qint64 position, qint64 endPosition,
                                            std::string_view delimiters) const {
    const qint64 offset = position - m_blockStart;
    if (offset < 0 || offset >= m_block.size() || position > endPosition)
        return {};
    const auto size = static_cast<std::size_t>(std::min(endPosition - position + 1, m_block.size() - offset));
    LoadedRun run{{m_block.constData() + offset, size}, static_cast<qsizetype>(size)};
    for (const char d : delimiters)
        if (const void* at = std::memchr(run.bytes.data(), d, static_cast<std::size_t>(run.beforeDelimiter)))
            run.beforeDelimiter = static_cast<const char*>(at) - run.bytes.data();
    return run;
}

QByteArray CallSource::read(qint64 position, qint64 count) {
    QByteArray bytes;
    if (position < 1)
        return bytes;
    count = std::min(count, m_length - position + 1);
    if (count <= 0)
        return bytes;
    if (position >= m_blockStart && position + count <= m_blockStart + m_block.size())
        return m_block.mid(position - m_blockStart, count);
    if (count <= kBlockSize / 2) {
        if (!loadBlock(position))
            return bytes;
        return m_block.left(count);
    }
    if (!m_file.seek(position - 1)) {
        m_error = m_file.errorString();
        return bytes;
    }
    bytes = m_file.read(count);
    return bytes;
}

bool CallSource::writeByte(qint64 position, char byte) {
    if (!m_file.seek(position - 1) || m_file.write(&byte, 1) != 1 || !m_file.flush()) {
        m_error = m_file.errorString();
        return false;
    }
    if (position >= m_blockStart && position < m_blockStart + m_block.size())
        m_block[position - m_blockStart] = byte;
    if (position > m_length)
        m_length = position;
    return true;
}

QString CallSource::takeError() {
    QString error = m_error;
    m_error.clear();
    return error;
}

} // namespace vrq
