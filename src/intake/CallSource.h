#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <span>
#include <string_view>

#include "platform/Result.h"

namespace vrq {

// An input file of calls, addressed by one-based positions as the call loop and the record parsers
// count them. Reads go through a block buffer, so a file of any size is walked without loading it
// whole. The length is the one seen when the file was opened: bytes appended later belong to the next
// pass. Single bytes can be written (the lock flag).
class CallSource {
public:
    CallSource() = default;
    CallSource(const CallSource&) = delete;
    CallSource& operator=(const CallSource&) = delete;

    // ReadWrite is for DataBin.Dat, whose lock flag is written; every other file of calls is only read.
    enum class Access { ReadOnly, ReadWrite };

    // Opens the file for reading (and writing) at any position; the failure names the reason. Only a
    // regular file is opened: a link is never followed, and a FIFO, socket, device or folder is refused
    // at once, without waiting on it.
    Result open(const QString& path, Access access = Access::ReadWrite);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    const QString& path() const { return m_path; }

    qint64 length() const { return m_length; }
    bool atEnd(qint64 position) const { return position > m_length; }
    // The byte at a one-based position; -1 beyond the end or when the read failed. A byte of the loaded
    // block takes one comparison: the parsers read every byte of a file through here.
    int byteAt(qint64 position) {
        const auto offset = static_cast<quint64>(position - m_blockStart);
        if (offset < static_cast<quint64>(m_block.size()))
            return static_cast<unsigned char>(m_block.constData()[offset]);
        return byteOutsideBlock(position);
    }
    // The loaded bytes from a one-based position to endPosition or the end of the loaded block, without a
    // copy (valid until the next read), and how many come before the first of the delimiters (all when
    // none is there). Empty when the position is outside the block: byteAt(position) loads it.
    struct LoadedRun {
        std::span<const char> bytes;
        qsizetype beforeDelimiter = 0;
    };
    LoadedRun loadedRun(qint64 position, qint64 endPosition, std::string_view delimiters) const;
    // The count bytes from a one-based position when the loaded block holds them all, without a copy
    // (valid until the next read); nullptr otherwise. One comparison, as byteAt: for the fixed fields.
    const char* loadedBytes(qint64 position, qint64 count) const {
        const auto offset = static_cast<quint64>(position - m_blockStart);
        if (count < 0 || offset > static_cast<quint64>(m_block.size()) ||
            static_cast<quint64>(count) > static_cast<quint64>(m_block.size()) - offset)
            return nullptr;
        return m_block.constData() + offset;
    }
    // Up to count bytes from a one-based position (fewer at the end of the file).
    QByteArray read(qint64 position, qint64 count);
    bool writeByte(qint64 position, char byte);

    // The last read failure, empty when none; taking it clears it.
    QString takeError();

private:
    bool loadBlock(qint64 position);
    int byteOutsideBlock(qint64 position);

    QFile m_file;
    QString m_path;
    qint64 m_length = 0;
    QByteArray m_block;
    qint64 m_blockStart = 0; // one-based position of m_block[0]
    QString m_error;
};

// Where needle (ASCII, in lower case, not empty) first occurs in bytes at or after from (0 or more), its
// ASCII letters matched in either case: what bytes.toLower().indexOf(needle, from) finds, without the
// lowered copy (the call loop looks for the call header id in every call's data). -1 when nowhere.
qsizetype indexOfAnyCase(QByteArrayView bytes, QByteArrayView needle, qsizetype from = 0);

} // namespace vrq
