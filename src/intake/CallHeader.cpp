#include "intake/CallHeader.h"

#include <cmath>
#include <limits>

namespace vrq {

namespace {

struct FieldSpan {
    QString CallHeader::*field;
    int offset;
    int width;
};

const FieldSpan kFields[] = {
    {&CallHeader::headerId, 0, 6},       {&CallHeader::reserved1, 6, 10},
    {&CallHeader::lineNumber, 16, 2},    {&CallHeader::callNumber, 18, 5},
    {&CallHeader::callDateTime, 23, 14}, {&CallHeader::reserved2, 37, 14},
    {&CallHeader::dataLength, 51, 7},    {&CallHeader::reserved3, 58, 97},
    {&CallHeader::goodCallFlag, 155, 1}, {&CallHeader::reserved4, 156, 1},
    {&CallHeader::reserved5, 157, 1},    {&CallHeader::reserved6, 158, 23},
    {&CallHeader::reserved7, 181, 14},   {&CallHeader::reserved8, 195, 115},
    {&CallHeader::statusText, 310, 107}, {&CallHeader::reserved9, 417, 94},
};

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

} // namespace

CallHeader CallHeader::fromBytes(const QByteArray& block) {
    CallHeader header;
    // Each field straight from the block, without a copy of its bytes on the way. A field past the end
    // stays null, one at the very end is empty, as QByteArray::mid gives them.
    static const QByteArray kEmpty("");
    const QLatin1StringView text(block.isNull() ? kEmpty : block);
    for (const FieldSpan& span : kFields)
        header.*(span.field) = text.mid(span.offset, span.width).toString();
    return header;
}

int CallHeader::callNumberValue() const {
    return leadingInt(callNumber);
}
int CallHeader::lineNumberValue() const {
    return leadingInt(lineNumber);
}
int CallHeader::dataLengthValue() const {
    return leadingInt(dataLength);
}
int CallHeader::hourValue() const {
    return leadingInt(callDateTime.mid(8, 2));
}
std::optional<QDateTime> CallHeader::callDnt() const {
    return parseCallDate(callDateTime);
}

namespace {

double leadingNumberByText(QStringView text) {
    QString digits;
    bool seenDigit = false;
    bool seenPoint = false;
    bool seenSign = false;
    for (QChar c : text) {
        if (isBlank(c))
            continue;
        if ((c == QLatin1Char('+') || c == QLatin1Char('-')) && !seenSign && !seenDigit && !seenPoint) {
            seenSign = true;
            digits.append(c);
        } else if (c.isDigit() && c.unicode() < 128) {
            seenDigit = true;
            digits.append(c);
        } else if (c == QLatin1Char('.') && !seenPoint) {
            seenPoint = true;
            digits.append(c);
        } else {
            break;
        }
    }
    if (!seenDigit)
        return 0;
    bool ok = false;
    const double value = digits.toDouble(&ok);
    return ok ? value : 0;
}

} // namespace

namespace {

// A whole number of up to 15 digits (every field of a call but a price with a point), formed directly,
// exactly as the text conversion forms it: the conversion was most of the parse time. Nothing when the
// text holds a point or more digits; then the conversion decides.
std::optional<double> leadingWholeNumber(QStringView text) {
    qint64 whole = 0;
    int digitCount = 0;
    bool negative = false;
    bool seenSign = false;
    for (QChar c : text) {
        // Digits first: nearly every character is one, and a digit is neither a blank nor a sign.
        if (c.unicode() >= u'0' && c.unicode() <= u'9') {
            if (++digitCount > 15)
                return std::nullopt;
            whole = whole * 10 + (c.unicode() - u'0');
        } else if (isBlank(c)) {
            continue;
        } else if ((c == QLatin1Char('+') || c == QLatin1Char('-')) && !seenSign && digitCount == 0) {
            seenSign = true;
            negative = c == QLatin1Char('-');
        } else if (c == QLatin1Char('.')) {
            return std::nullopt;
        } else {
            break;
        }
    }
    if (digitCount == 0)
        return 0;
    return negative ? -static_cast<double>(whole) : static_cast<double>(whole);
}

} // namespace

double leadingNumber(QStringView text) {
    if (const std::optional<double> whole = leadingWholeNumber(text))
        return *whole;
    return leadingNumberByText(text);
}

int leadingInt(QStringView text) {
    const std::optional<double> whole = leadingWholeNumber(text);
    // A whole number needs no rounding; any other is rounded as the default mode rounds: halves to even.
    const double value = whole ? *whole : std::nearbyint(leadingNumberByText(text));
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

QString withSignBlank(qint64 number) {
    return number >= 0 ? QLatin1Char(' ') + QString::number(number) : QString::number(number);
}

std::optional<QDateTime> parseCallDate(const QString& text) {
    if (text.size() < 14)
        return std::nullopt;
    for (int i = 0; i < 14; ++i) {
        if (!text.at(i).isDigit())
            return std::nullopt;
    }
    // Each part formed from its digits directly when they are plain ASCII ones (always, in a header
    // read from the file); a digit of another script is converted as text, as it always was.
    const auto part = [&text](int from, int count) {
        int value = 0;
        for (int i = from; i < from + count; ++i) {
            const char16_t c = text.at(i).unicode();
            if (c < u'0' || c > u'9')
                return text.mid(from, count).toInt();
            value = value * 10 + (c - u'0');
        }
        return value;
    };
    const QDate date(part(0, 4), part(4, 2), part(6, 2));
    const QTime time(part(8, 2), part(10, 2), part(12, 2));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

QString zeroPadded(qint64 number, int width) {
    return (QString(width, QLatin1Char('0')) + QString::number(number)).right(width);
}

QString fixedWidth(const QString& text, int width) {
    if (text.size() >= width)
        return text.left(width);
    return text + QString(width - text.size(), QLatin1Char(' '));
}

} // namespace vrq
