#include "platform/FolderLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vrq {

FolderLock::FolderLock(const QString& programFolder)
    : m_path(QDir(programFolder).filePath(QString::fromLatin1(kFileName))) {}

FolderLock::~FolderLock() {
    unlock();
}

bool FolderLock::tryLock(const QString& mode) {
    if (m_fd >= 0)
        return true;
    m_holderMode.clear();
    m_error.clear();
    m_heldByAnother = false;
    const QByteArray path = QFile::encodeName(m_path);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        m_error = QStringLiteral("The lock file %1 cannot be made: %2")
                      .arg(QDir::toNativeSeparators(m_path), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int lockErrno = errno;
        ::close(fd);
        if (lockErrno == EWOULDBLOCK) {
            m_heldByAnother = true;
            readHolder();
            m_error = QStringLiteral("Another copy of VRQToQX7%1 is running for the program folder %2.")
                          .arg(m_holderMode.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(m_holderMode),
                               QDir::toNativeSeparators(QFileInfo(m_path).absolutePath()));
        } else {
            m_error =
                QStringLiteral("The lock file %1 cannot be locked: %2")
                    .arg(QDir::toNativeSeparators(m_path), QString::fromLocal8Bit(std::strerror(lockErrno)));
        }
        return false;
    }
    m_fd = fd;
    // Who holds the lock, for the message of a refused start; the lock itself does not depend on it.
    const QByteArray note = mode.toUtf8() + ' ' + QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, note.constData(), size_t(note.size()), 0) < 0)
        m_error =
            QStringLiteral("The lock file %1 could not be labelled.").arg(QDir::toNativeSeparators(m_path));
    return true;
}

void FolderLock::unlock() {
    if (m_fd < 0)
        return;
    ::close(m_fd); // closing the last descriptor drops the lock
    m_fd = -1;
}

void FolderLock::readHolder() {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray note = file.read(256).trimmed();
    const qsizetype blank = note.indexOf(' ');
    m_holderMode = QString::fromUtf8(blank < 0 ? note : note.left(blank));
}

} // namespace vrq
