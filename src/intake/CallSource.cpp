#include "intake/CallSource.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace vrq {

namespace {
constexpr qint64 kBlockSize = qint64{64} * 1024;
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

qsizetype indexOfAnyCase(QByteArrayView bytes, QByteArrayView needle, qsizetype from) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    const qsizetype length = needle.size();
    from = std::max<qsizetype>(from, 0);
    if (length == 0 || bytes.size() - from < length)
        return -1;
    // The candidates are where the first byte is, in either case: found a block at a time by memchr.
    const char first = needle[0];
    const char firstUpper = first >= 'a' && first <= 'z' ? static_cast<char>(first - 'a' + 'A') : first;
    const char* const start = bytes.data();
    const char* const last = start + (bytes.size() - length); // the last position a match may begin at
    const auto next = [&](const char* at, char c) {
        return static_cast<const char*>(std::memchr(at, c, static_cast<std::size_t>(last - at + 1)));
    };
    const char* at = start + from;
    const char* nextLower = next(at, first);
    const char* nextUpper = firstUpper == first ? nullptr : next(at, firstUpper);
    while (nextLower || nextUpper) {
        at = !nextUpper || (nextLower && nextLower < nextUpper) ? nextLower : nextUpper;
        qsizetype matched = 1;
        while (matched < length && lower(at[matched]) == needle[matched])
            ++matched;
        if (matched == length)
            return at - start;
        if (at == last)
            return -1;
        if (at == nextLower)
            nextLower = next(at + 1, first);
        else
            nextUpper = next(at + 1, firstUpper);
    }
    return -1;
}

} // namespace vrq
