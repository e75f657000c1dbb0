#include "export/OrderFileFormat.h"

#include <QLocale>

namespace vrq::OrderFileFormat {

namespace {

QString withoutOuterBlanks(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text.at(start) == QLatin1Char(' '))
        ++start;
    while (end > start && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(start, end - start);
}

} // namespace

QString padNumber(qint64 value, int width) {
    if (width < 1 || width > 10)
        return {};
    return (QString(width, QLatin1Char('0')) + QString::number(value)).right(width);
}

QString textField(const QString& text, int width) {
    return text.leftJustified(width, QLatin1Char(' '), true);
}

QString headerLine(const OrderRow& order, const QDate& written) {
    QString line = QStringLiteral("H");
    line += textField(order.salesperson, 6);
    line += QStringLiteral("  ");
    line += textField(order.customer, 6);
    line += textField(order.shipTo.value_or(QString()), 2);
    line += textField(order.message, 23);
    line += QLocale::c().toString(written, QStringLiteral("yyMMdd"));
    line += textField(order.route, 6);
    return line;
}

QString itemLine(const ItemRow& item) {
    const qint64 quantity = item.quantity;
    QString line = QStringLiteral("I");
    line += textField(withoutOuterBlanks(item.itemNumber), 13);
    line += padNumber(quantity < 0 ? -quantity : quantity, 3);
    line += quantity < 0 ? QLatin1Char('-') : QLatin1Char('+');
    line += QString::number(item.unit).left(1);
    line += padNumber(item.discountPercent, 2);
    line += padNumber(item.priceOverride, 5);
    return line;
}

QByteArray lineBytes(const QString& line) {
    return line.toLatin1() + "\r\n";
}

int nextSequenceNumber(int last) {
    const int next = last + 1;
    return next < 1 || next > kLastSequenceNumber ? 1 : next;
}

QString baseName(int systemId, int sequenceNumber) {
    return QStringLiteral("QX7") + QString::number(systemId).left(1) + padNumber(sequenceNumber, 4);
}

} // namespace vrq::OrderFileFormat
