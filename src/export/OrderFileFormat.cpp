#include "export/OrderFileFormat.h"

#include <QLocale>

#include <algorithm>

namespace vrq::OrderFileFormat {

namespace {

// The lines are built by appending into one text reserved at its width: a text per field was most of
// the processor time of writing an order file.

// Appends text left-justified, blank-padded and cut to width, without its blanks on the outside when
// trimmed.
void appendText(QString& line, const QString& text, int width, bool trimmed = false) {
    qsizetype start = 0;
    qsizetype end = text.size();
    if (trimmed) {
        while (start < end && text.at(start) == QLatin1Char(' '))
            ++start;
        while (end > start && text.at(end - 1) == QLatin1Char(' '))
            --end;
    }
    const qsizetype taken = std::min<qsizetype>(end - start, width);
    line.append(text.constData() + start, taken);
    line.resize(line.size() + width - taken, QLatin1Char(' ')); // the padding in one step
}

// Appends what padNumber gives, for 1 <= width <= 10.
void appendPadded(QString& line, qint64 value, int width) {
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
    // digits holds the text backwards; the last width characters of zeros + text are kept, appended
    // in one step.
    char16_t field[10];
    for (int i = width - 1; i >= 0; --i)
        field[width - 1 - i] = static_cast<char16_t>(i < count ? digits[i] : '0');
    line.append(reinterpret_cast<const QChar*>(field), width);
}

// The first character of the unit's decimal text: its sign, or its leading digit.
QLatin1Char unitCharacter(int unit) {
    if (unit < 0)
        return QLatin1Char('-');
    while (unit >= 10)
        unit /= 10;
    return QLatin1Char(static_cast<char>('0' + unit));
}

// Appends the date as "yyMMdd". Digit by digit for the dates of this era: the general format was a
// quarter of the time of a header line.
void appendDate(QString& line, const QDate& date) {
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    if (!date.isValid() || year < 0) {
        line += QLocale::c().toString(date, QStringLiteral("yyMMdd"));
        return;
    }
    appendPadded(line, year % 100, 2);
    appendPadded(line, month, 2);
    appendPadded(line, day, 2);
}

} // namespace

QString padNumber(qint64 value, int width) {
    if (width < 1 || width > 10)
        return {};
    QString text;
    text.reserve(width);
    appendPadded(text, value, width);
    return text;
}

QString headerLine(const OrderRow& order, const QDate& written) {
    QString line;
    line.reserve(kHeaderLineWidth);
    line += QLatin1Char('H');
    appendText(line, order.salesperson, 6);
    line += QLatin1String("  ");
    appendText(line, order.customer, 6);
    appendText(line, order.shipTo.value_or(QString()), 2);
    appendText(line, order.message, 23);
    appendDate(line, written);
    appendText(line, order.route, 6);
    return line;
}

QString itemLine(const ItemRow& item) {
    const qint64 quantity = item.quantity;
    QString line;
    line.reserve(kItemLineWidth);
    line += QLatin1Char('I');
    appendText(line, item.itemNumber, 13, true);
    appendPadded(line, quantity < 0 ? -quantity : quantity, 3);
    line += quantity < 0 ? QLatin1Char('-') : QLatin1Char('+');
    line += unitCharacter(item.unit);
    appendPadded(line, item.discountPercent, 2);
    appendPadded(line, item.priceOverride, 5);
    return line;
}

void appendLineBytes(QByteArray& bytes, const QString& line) {
    // Latin-1 as toLatin1() gives it ("?" for a character beyond it), with CR LF, written in place.
    const qsizetype start = bytes.size();
    bytes.resize(start + line.size() + 2);
    char* out = bytes.data() + start;
    for (const QChar c : line)
        *out++ = c.unicode() < 0x100 ? static_cast<char>(c.unicode()) : '?';
    *out++ = '\r';
    *out = '\n';
}

QByteArray lineBytes(const QString& line) {
    QByteArray bytes;
    bytes.reserve(line.size() + 2);
    appendLineBytes(bytes, line);
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
