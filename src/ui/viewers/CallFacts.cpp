#include "ui/viewers/CallFacts.h"

#include "ui/viewers/ViewerFormats.h"

namespace vrq {

namespace {

QString withoutTrailingBlanks(QString text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == QLatin1Char(' '))
        --end;
    text.truncate(end);
    return text;
}

// The last `width` characters of `width` blanks followed by text.
QString rightAligned(const QString& text, int width) {
    return (QString(width, QLatin1Char(' ')) + text).right(width);
}

QString itemField(const ItemRow& item, const char* column, int value) {
    return isAbsent(item, column) ? QString() : QString::number(value);
}

} // namespace

QString callNotFoundLine(int callNumber) {
    return QStringLiteral("Call #%1 not found.").arg(callNumber);
}

QString callMadeOnLine(const CallRow& call) {
    return QStringLiteral("Call #%1 made on ").arg(call.callNumber) + formatCallDateTimeAt(call.callDnt);
}

QString notExtractedLine() {
    return QStringLiteral("Not extracted.");
}

QString extractionLine(const CallRow& call) {
    if (!call.extractedCall)
        return notExtractedLine();
    const QString fileName = withoutTrailingBlanks(call.extractedFileName);
    // A call without orders is marked extracted with no file.
    return QStringLiteral("Extracted on ") + formatCallDateTimeAt(call.extractedDnt) +
           (fileName.isEmpty() ? QStringLiteral(" with no order file.") : QStringLiteral(" to ") + fileName);
}

QStringList callInfoLines(const CallRow& call) {
    return {callMadeOnLine(call), call.goodCall ? QStringLiteral("Good call") : QStringLiteral("Bad call"),
            extractionLine(call)};
}

bool isAbsent(const OrderRow& order, const char* column) {
    if (qstrcmp(column, "ShipTo") == 0)
        return !order.shipTo.has_value();
    return order.nullColumns.contains(QLatin1String(column));
}

bool isAbsent(const ItemRow& item, const char* column) {
    return item.nullColumns.contains(QLatin1String(column));
}

QStringList orderInfoLines(const CallRow& call, const OrderRow& order) {
    QStringList lines{callMadeOnLine(call), extractionLine(call)};
    // An absent salesperson or customer has no line at all; the lines below move up.
    if (!isAbsent(order, "Salesperson"))
        lines << QStringLiteral("Salesperson: ") + order.salesperson;
    if (!isAbsent(order, "Customer"))
        lines << QStringLiteral("Customer: ") + order.customer;
    lines << QStringLiteral("Ship To: ") + order.shipTo.value_or(QString());
    lines << (isAbsent(order, "Route") ? QString() : QStringLiteral("Route: ") + order.route);
    lines << (isAbsent(order, "Message") ? QString() : QStringLiteral("Message: ") + order.message);
    lines << QStringLiteral("Number of Items %1").arg(order.numberOfItems);
    return lines;
}

QString orderCaption(int callNumber, const OrderRow& order) {
    if (isAbsent(order, "Salesperson") || isAbsent(order, "Customer"))
        return {};
    return QStringLiteral("Call #%1 Order by Salesperson: ").arg(callNumber) + order.salesperson +
           QStringLiteral(" for Customer: ") + order.customer + QStringLiteral(" Details");
}

QString callCaption(int source, int callNumber) {
    return (source == 1 ? QStringLiteral("File: #%1 Details") : QStringLiteral("Call: #%1 Details"))
        .arg(callNumber);
}

QString maskNonDigits(const QString& text) {
    QString masked = withoutTrailingBlanks(text);
    for (QChar& c : masked)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            c = QLatin1Char('_');
    return masked;
}

QString formatPrice(int price) {
    return QString::number(price) + QStringLiteral(".00");
}

QString printedItemLine(const ItemRow& item) {
    const QString blanks10(10, QLatin1Char(' '));
    const QString blanks3(3, QLatin1Char(' '));
    // 13 characters, the longest item number the units send, so the printout shows what the window shows.
    const QString number =
        maskNonDigits(item.itemNumber).leftJustified(kPrintedItemNumberWidth, QLatin1Char(' '), true);
    const QString quantity =
        isAbsent(item, "Quantity") ? QString() : maskNonDigits(QString::number(item.quantity));
    const QString price = isAbsent(item, "PriceOverride") ? QString() : formatPrice(item.priceOverride);
    return blanks10 + number + blanks3 + rightAligned(quantity, 3) + blanks3 +
           rightAligned(itemField(item, "Unit", item.unit), 4) + blanks3 +
           rightAligned(itemField(item, "DiscountPercent", item.discountPercent), 6) + blanks3 +
           rightAligned(price, 11);
}

} // namespace vrq
