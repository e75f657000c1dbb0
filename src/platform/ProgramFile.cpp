#include "platform/ProgramFile.h"

#include <QFile>

#include <utility>

#ifdef Q_OS_LINUX
#include <climits>
#include <unistd.h>
#endif

namespace vrq {

namespace {

// The kernel's mark on the link of a file that was unlinked or renamed over while still running.
const QString kDeletedMark = QStringLiteral(" (deleted)");

} // namespace

ProgramFile::ProgramFile() : m_readLink(&ProgramFile::readOwnLink) {}

ProgramFile::ProgramFile(LinkReader readLink) : m_readLink(std::move(readLink)) {}

std::optional<QString> ProgramFile::replacedOrRemoved() const {
    const QString link = m_readLink ? m_readLink() : QString();
    // Only an absolute path followed by the mark: a path that merely holds the words elsewhere (a
    // folder named so) is still in place.
    if (!link.startsWith(QLatin1Char('/')) || !link.endsWith(kDeletedMark))
        return std::nullopt;
    return link.chopped(kDeletedMark.size());
}

QString ProgramFile::readOwnLink() {
#ifdef Q_OS_LINUX
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    // A link as long as the buffer may have been cut: it is not trusted.
    if (length <= 0 || size_t(length) >= sizeof buffer)
        return {};
    return QFile::decodeName(QByteArray(buffer, int(length)));
#else
    return {};
#endif
}

} // namespace vrq
