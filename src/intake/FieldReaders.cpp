#include "intake/FieldReaders.h"

#include "intake/CallHeader.h"
#include "intake/CallSource.h"
#include "store/AuditLog.h"

#include <QVarLengthArray>
#include <algorithm>
#include <array>
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

namespace {
template <typename Accepts> constexpr std::array<bool, 256> bytesWhere(Accepts accepts) {
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] = accepts(c);
    return table;
}
} // namespace

const FieldReaders::FixedField FieldReaders::kTextField{
    "GetStringValue", bytesWhere([](int c) { return c != '&'; }), QLatin1Char(' '), false};
const FieldReaders::FixedField FieldReaders::kNumberField{
    "GetNuMValueAsRJZFString",
    bytesWhere([](int c) { return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'; }),
    QLatin1Char('0'), true};

void FieldReaders::readFixedField(qint64& position, bool* full, const FixedField& field,
                                  std::span<QChar> into) {
    char read[kMaxFieldRead];
    const char* bytes = read;
    const auto width = static_cast<int>(into.size());
    int count = 0;
    const int limit = std::min(width, kMaxFieldRead);
    const char* loaded = m_file.loadedBytes(position, limit);
    if (limit > 0 && loaded) {
        // The whole field is in the loaded block (nearly always): no read can fail or end the file.
        bytes = loaded;
        while (count < limit && field.accepts[static_cast<unsigned char>(bytes[count])])
            ++count;
        position += count;
    } else {
        while (count < limit) {
            const int c = readByte(position, field.reader);
            if (c < 0 || !field.accepts[static_cast<std::size_t>(c)])
                break;
            read[count++] = static_cast<char>(c);
            ++position;
        }
    }
    if (full)
        *full = count == width;
    const int padding = width - count;
    QChar* const out = into.data();
    QChar* text = out + (field.rightAligned ? padding : 0);
    QChar* pad = field.rightAligned ? out : out + count;
    std::fill(pad, pad + padding, field.fill);
    for (int i = 0; i < count; ++i)
        text[i] = QLatin1Char(bytes[i]);
}

QString FieldReaders::readFixedField(qint64& position, int width, bool* full, const FixedField& field) {
    QString text(std::max(width, 0), Qt::Uninitialized);
    readFixedField(position, full, field,
                   std::span<QChar>(text.data(), static_cast<std::size_t>(text.size())));
    return text;
}

QString FieldReaders::getStringValue(qint64& position, int width, bool* full) {
    return readFixedField(position, width, full, kTextField);
}

QString FieldReaders::getNuMValueAsRJZFString(qint64& position, int width, bool* full) {
    return readFixedField(position, width, full, kNumberField);
}

void FieldReaders::getStringValue(qint64& position, std::span<QChar> into, bool* full) {
    readFixedField(position, full, kTextField, into);
}

void FieldReaders::getNuMValueAsRJZFString(qint64& position, std::span<QChar> into, bool* full) {
    readFixedField(position, full, kNumberField, into);
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
