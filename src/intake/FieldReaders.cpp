#include "intake/FieldReaders.h"

#include "intake/CallHeader.h"
#include "intake/CallSource.h"
#include "store/AuditLog.h"

#include <QVarLengthArray>
#include <algorithm>

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

bool FieldReaders::getField(qint64& position, std::string_view delimiters, QString& text,
                            bool includeDelimiter, qint64 endPosition) {
    // Searched a block at a time and made a text once: the parsers read most of a file through here.
    QVarLengthArray<char, 64> read;
    while (position <= endPosition) {
        if (readByte(position, "GetField") < 0) // loads the block holding position; reports a failed read
            break;
        const CallSource::LoadedRun run = m_file.loadedRun(position, endPosition, delimiters);
        if (run.bytes.empty())
            break;
        read.append(run.bytes.data(), run.beforeDelimiter);
        position += run.beforeDelimiter;
        if (run.beforeDelimiter < static_cast<qsizetype>(run.bytes.size())) {
            if (includeDelimiter)
                read.append(run.bytes[static_cast<std::size_t>(run.beforeDelimiter)]);
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
    QString token = line.mid(start, at - start);
    start = at + 1;
    return token;
}

} // namespace vrq
