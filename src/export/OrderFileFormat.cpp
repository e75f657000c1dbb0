#include "export/OrderFileFormat.h"

#include <QLocale>

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace vrq::OrderFileFormat {

namespace {

// The character as the host reads it: Latin-1 as toLatin1() gives it ("?" for a character beyond it).
char hostByte(char16_t c) {
    return c < 0x100 ? static_cast<char>(c) : '?';
}

// One line built field by field in place, without an allocation: a text per field, and then a text per
// line, were most of the processor time of writing an order file. Char is char16_t for the line as text,
// char for its bytes as the host reads them. Longer than any line, so that no field is ever cut by it.
template <typename Char> class LineBuffer {
public:
    void put(char16_t c) {
        if (m_size < kCapacity)
            m_chars[m_size++] = toChar(c);
    }

    // text left-justified, blank-padded and cut to width, without its blanks on the outside when trimmed.
    // The blanks after it cannot be told from the padding, so only the leading ones are looked for.
    void text(QStringView text, int width, bool trimmed = false) {
        const char16_t* chars = text.utf16();
        qsizetype start = 0;
        if (trimmed) {
            while (start < text.size() && chars[start] == u' ')
                ++start;
        }
        const int taken = static_cast<int>(std::min<qsizetype>(text.size() - start, width));
        const int room = std::min(width, kCapacity - m_size);
        for (int i = 0; i < std::min(taken, room); ++i)
            m_chars[m_size + i] = toChar(chars[start + i]);
        for (int i = taken; i < room; ++i)
            m_chars[m_size + i] = Char(' ');
        m_size += room;
    }

    // What padNumber gives, for 1 <= width <= 10: zeros + the decimal text, of which the last width
    // characters are kept, formed from the right.
    void number(qint64 value, int width) {
        char16_t digits[kMaxNumberWidth];
        const bool negative = value < 0;
        quint64 rest = negative ? 0 - static_cast<quint64>(value) : static_cast<quint64>(value);
        int at = width;
        do {
            digits[--at] = static_cast<char16_t>(u'0' + rest % 10);
            rest /= 10;
        } while (rest > 0 && at > 0);
        if (negative && at > 0)
            digits[--at] = u'-';
        while (at > 0)
            digits[--at] = u'0';
        const int room = std::min(width, kCapacity - m_size);
        for (int i = 0; i < room; ++i)
            m_chars[m_size + i] = Char(digits[i]);
        m_size += room;
    }

    const Char* chars() const { return m_chars; }
    int size() const { return m_size; }

private:
    static Char toChar(char16_t c) {
        if constexpr (std::is_same_v<Char, char>)
            return hostByte(c);
        else
            return c;
    }
    static constexpr int kCapacity = 64;
    static constexpr int kMaxNumberWidth = 10;
    Char m_chars[kCapacity];
    int m_size = 0;
};

using TextLine = LineBuffer<char16_t>;
using ByteLine = LineBuffer<char>;

QString toString(const TextLine& line) {
    return QString(reinterpret_cast<const QChar*>(line.chars()), line.size());
}

// Appends the line's bytes with CR LF.
void appendTo(QByteArray& bytes, const ByteLine& line) {
    const qsizetype start = bytes.size();
    bytes.resize(start + line.size() + 2); // in the room reserved for the file: no allocation
    char* out = bytes.data() + start;
    std::memcpy(out, line.chars(), static_cast<std::size_t>(line.size()));
    out[line.size()] = '\r';
    out[line.size() + 1] = '\n';
}

// The first character of the unit's decimal text: its sign, or its leading digit.
char16_t unitCharacter(int unit) {
    if (unit < 0)
        return u'-';
    while (unit >= 10)
        unit /= 10;
    return static_cast<char16_t>(u'0' + unit);
}

// The date as "yyMMdd". Digit by digit for the dates of this era: the general format was a quarter of
// the time of a header line.
template <typename Line> void putDate(Line& line, const QDate& date) {
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    if (!date.isValid() || year < 0) {
        for (const QChar c : QLocale::c().toString(date, QStringLiteral("yyMMdd")))
            line.put(c.unicode());
        return;
    }
    line.number(year % 100, 2);
    line.number(month, 2);
    line.number(day, 2);
}

template <typename Line> Line headerLineOf(const OrderRow& order, const QDate& written) {
    Line line;
    line.put(u'H');
    line.text(order.salesperson, 6);
    line.text(QStringView(), 2);
    line.text(order.customer, 6);
    line.text(order.shipTo ? QStringView(*order.shipTo) : QStringView(), 2);
    line.text(order.message, 23);
    putDate(line, written);
    line.text(order.route, 6);
    return line;
}

template <typename Line> Line itemLineOf(const ItemRow& item) {
    const qint64 quantity = item.quantity;
    Line line;
    line.put(u'I');
    line.text(item.itemNumber, 13, true);
    line.number(quantity < 0 ? -quantity : quantity, 3);
    line.put(quantity < 0 ? u'-' : u'+');
    line.put(unitCharacter(item.unit));
    line.number(item.discountPercent, 2);
    line.number(item.priceOverride, 5);
    return line;
}

} // namespace

QString padNumber(qint64 value, int width) {
    if (width < 1 || width > 10)
        return {};
    TextLine text;
    text.number(value, width);
    return toString(text);
}

QString headerLine(const OrderRow& order, const QDate& written) {
    return toString(headerLineOf<TextLine>(order, written));
}

QString itemLine(const ItemRow& item) {
    return toString(itemLineOf<TextLine>(item));
}

void appendHeaderLineBytes(QByteArray& bytes, const OrderRow& order, const QDate& written) {
    appendTo(bytes, headerLineOf<ByteLine>(order, written));
}

void appendItemLineBytes(QByteArray& bytes, const ItemRow& item) {
    appendTo(bytes, itemLineOf<ByteLine>(item));
}

QByteArray lineBytes(const QString& line) {
    QByteArray bytes;
    bytes.reserve(line.size() + 2);
    for (const QChar c : line)
        bytes.append(hostByte(c.unicode()));
    bytes.append("\r\n", 2);
    return bytes;
}

int nextSequenceNumber(int last) {
    const int next = last + 1;
    return next < 1 || next > kLastSequenceNumber ? 1 : next;
}

QString baseName(int systemId, int sequenceNumber) {
    return QStringLiteral("QX7") + QString::number(systemId).left(1) + padNumber(sequenceNumber, 4);
}

} // namespace vrq::OrderFileFormat
