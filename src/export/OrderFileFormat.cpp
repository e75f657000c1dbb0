#include "export/OrderFileFormat.h"

#include <QLocale>

#include <algorithm>

namespace vrq::OrderFileFormat {

namespace {

// Appends the line as the host reads it: Latin-1 as toLatin1() gives it ("?" for a character beyond it),
// with CR LF, written in place.
void appendLineBytes(QByteArray& bytes, const char16_t* line, qsizetype size) {
    const qsizetype start = bytes.size();
    bytes.resize(start + size + 2);
    char* out = bytes.data() + start;
    for (qsizetype i = 0; i < size; ++i)
        *out++ = line[i] < 0x100 ? static_cast<char>(line[i]) : '?';
    *out++ = '\r';
    *out = '\n';
}

// One line built field by field in place, without an allocation: a text per field, and then a text per
// line, were most of the processor time of writing an order file. Longer than any line, so that no field
// is ever cut by it.
class LineBuffer {
public:
    void put(char16_t c) {
        if (m_size < kCapacity)
            m_chars[m_size++] = c;
    }

    // text left-justified, blank-padded and cut to width, without its blanks on the outside when trimmed.
    void text(const QString& text, int width, bool trimmed = false) {
        qsizetype start = 0;
        qsizetype end = text.size();
        if (trimmed) {
            while (start < end && text.at(start) == u' ')
                ++start;
            while (end > start && text.at(end - 1) == u' ')
                --end;
        }
        const qsizetype taken = std::min<qsizetype>(end - start, width);
        for (qsizetype i = start; i < start + taken; ++i)
            put(text.at(i).unicode());
        for (qsizetype i = taken; i < width; ++i)
            put(u' ');
    }

    // What padNumber gives, for 1 <= width <= 10.
    void number(qint64 value, int width) {
        char digits[24];
        int count = 0;
        const bool negative = value < 0;
        quint64 rest = negative ? 0 - static_cast<quint64>(value) : static_cast<quint64>(value);
        do {
            digits[count++] = static_cast<char>('0' + rest % 10);
            rest /= 10;
        } while (rest > 0);
        if (negative)
            digits[count++] = '-';
        // digits holds the text backwards; the last width characters of zeros + text are kept.
        for (int i = width - 1; i >= 0; --i)
            put(static_cast<char16_t>(i < count ? digits[i] : '0'));
    }

    QString toString() const { return QString(reinterpret_cast<const QChar*>(m_chars), m_size); }

    void appendTo(QByteArray& bytes) const { appendLineBytes(bytes, m_chars, m_size); }

private:
    static constexpr int kCapacity = 64;
    char16_t m_chars[kCapacity];
    int m_size = 0;
};

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
void putDate(LineBuffer& line, const QDate& date) {
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

LineBuffer headerLineOf(const OrderRow& order, const QDate& written) {
    LineBuffer line;
    line.put(u'H');
    line.text(order.salesperson, 6);
    line.text(QString(), 2);
    line.text(order.customer, 6);
    line.text(order.shipTo.value_or(QString()), 2);
    line.text(order.message, 23);
    putDate(line, written);
    line.text(order.route, 6);
    return line;
}

LineBuffer itemLineOf(const ItemRow& item) {
    const qint64 quantity = item.quantity;
    LineBuffer line;
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
    LineBuffer text;
    text.number(value, width);
    return text.toString();
}

QString headerLine(const OrderRow& order, const QDate& written) {
    return headerLineOf(order, written).toString();
}

QString itemLine(const ItemRow& item) {
    return itemLineOf(item).toString();
}

void appendHeaderLineBytes(QByteArray& bytes, const OrderRow& order, const QDate& written) {
    headerLineOf(order, written).appendTo(bytes);
}

void appendItemLineBytes(QByteArray& bytes, const ItemRow& item) {
    itemLineOf(item).appendTo(bytes);
}

QByteArray lineBytes(const QString& line) {
    QByteArray bytes;
    appendLineBytes(bytes, reinterpret_cast<const char16_t*>(line.constData()), line.size());
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
