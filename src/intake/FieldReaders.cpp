#include "intake/FieldReaders.h"

#include "intake/CallHeader.h"
#include "intake/CallSource.h"
#include "store/AuditLog.h"

#include <QVarLengthArray>
#include <algorithm>
#include <cstring>
#include <span>

namespace vrq {

namespace {
constexpr int kMaxFieldRead = 20;
constexpr int kDeviceIoError = 57;
} // namespace

int FieldReaders::readByte(qint64 position, const char* reader) {
    const int c = m_file.byteAt(position);
    if (c < 0) {
        const QString error = m_file.takeError();
        if (!error.isEmpty() && m_audit)
            m_audit->write(AuditType::Error,
                           QStringLiteral("%1 error (Error #%2): %3")
                               .arg(QLatin1String(reader), withSignBlank(kDeviceIoError), error));
    }
    return c;
}

QString FieldReaders::readFixedField(qint64& position, int width, bool* full, const FixedField& field) {
    // Read into a buffer and made a text once: a text grown character by character was a measurable
    // share of the intake's allocations.
    char read[kMaxFieldRead];
    int count = 0;
    while (count < width && count < kMaxFieldRead) {
        const int c = readByte(position, field.reader);
        if (c < 0 || !field.accepts(c))
            break;
        read[count++] = static_cast<char>(c);
        ++position;
    }
    if (full)
        *full = count == width;
    const int size = std::max(width, count);
    QString text(size, field.fill);
    QChar* out = text.data() + (field.rightAligned ? size - count : 0);
    for (int i = 0; i < count; ++i)
        out[i] = QLatin1Char(read[i]);
    return text;
}

QString FieldReaders::getStringValue(qint64& position, int width, bool* full) {
    static const FixedField text{"GetStringValue", [](int c) { return c != '&'; }, QLatin1Char(' '), false};
    return readFixedField(position, width, full, text);
}

QString FieldReaders::getNuMValueAsRJZFString(qint64& position, int width, bool* full) {
    static const FixedField number{
        "GetNuMValueAsRJZFString",
        [](int c) { return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'; }, QLatin1Char('0'),
        true};
    return readFixedField(position, width, full, number);
}

namespace {

// The delimiters a byte can match: a character beyond Latin-1 never equals one.
QVarLengthArray<char, 4> delimiterBytes(const QString& delimiters) {
    QVarLengthArray<char, 4> bytes;
    for (const QChar d : delimiters)
        if (d.unicode() <= 0xFF)
            bytes.append(static_cast<char>(d.unicode()));
    return bytes;
}

// The length of the run of bytes before the first delimiter; the whole span when none is in it.
qsizetype lengthBeforeDelimiter(std::span<const char> bytes, const QVarLengthArray<char, 4>& delimiters) {
    auto length = static_cast<qsizetype>(bytes.size());
    for (const char d : delimiters)
        if (const void* at = std::memchr(bytes.data(), d, static_cast<std::size_t>(length)))
            length = static_cast<const char*>(at) - bytes.data();
    return length;
}

} // namespace

bool FieldReaders::getField(qint64& position, const QString& delimiters, QString& text, bool includeDelimiter,
                            qint64 endPosition) {
    // Searched a block at a time and made a text once: the parsers read most of a file through here.
    const QVarLengthArray<char, 4> ends = delimiterBytes(delimiters);
    QVarLengthArray<char, 64> read;
    while (position <= endPosition) {
        if (readByte(position, "GetField") < 0) // loads the block holding position; reports a failed read
            break;
        const std::span<const char> bytes = m_file.loadedBytes(position, endPosition - position + 1);
        if (bytes.empty())
            break;
        const qsizetype length = lengthBeforeDelimiter(bytes, ends);
        read.append(bytes.data(), length);
        position += length;
        if (length < static_cast<qsizetype>(bytes.size())) {
            if (includeDelimiter)
                read.append(bytes[static_cast<std::size_t>(length)]);
            ++position;
            break;
        }
    }
    text.clear();
    if (!read.isEmpty())
        text = QString::fromLatin1(read.constData(), read.size());
    return true;
}

QString nextToken(const QString& line, qsizetype& start, QChar delimiter) {
    if (start < 0)
        return {};
    const qsizetype at = line.indexOf(delimiter, start);
    if (at < 0) {
        start = -1;
        return {};
    }
    const QString token = line.mid(start, at - start);
    start = at + 1;
    return token;
}

} // namespace vrq
