#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace vrq::test {

// Entries other people can put in a shared folder besides files: each maker returns false when the entry
// could not be made. Paths are bytes, so a name need not be text.

inline bool makeFifo(const QByteArray& path) {
    return ::mkfifo(path.constData(), 0644) == 0;
}

// A bound Unix socket, left in the folder after its descriptor is closed.
inline bool makeSocket(const QByteArray& path) {
    sockaddr_un address{};
    if (path.size() >= qsizetype(sizeof(address.sun_path)))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound =
        fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    if (fd >= 0)
        ::close(fd);
    return bound;
}

// A file of that size without a byte written: it takes no room on the disk.
inline bool makeSparseFile(const QByteArray& path, qint64 size) {
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::WriteOnly) && file.resize(size);
}

// A file by a name of any bytes (QFile would spell the name through text).
inline bool writeRawNamed(const QByteArray& path, const QByteArray& bytes) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && written;
}

// Ends the test program when the guarded work does not come back (an open waiting on a FIFO would wait
// for good): a hang fails the run instead of stalling it.
class HangGuard {
public:
    HangGuard() { ::alarm(60); }
    ~HangGuard() { ::alarm(0); }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;
};

} // namespace vrq::test
