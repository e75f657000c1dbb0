#include "intake/WorkRecords.h"

#include "intake/CallHeader.h"

namespace vrq {

void OrderWork::clear() {
    customer = QString(8, QLatin1Char(' '));
    shipTo = QString(2, QLatin1Char(' '));
    message = QString(23, QLatin1Char(' '));
    orderDate = QStringLiteral("000000");
    route = QString(6, QLatin1Char(' '));
}

bool OrderWork::hasData() const {
    return salesperson != QLatin1String("000000") && customer != QLatin1String("00000000");
}

void OrderWork::setSalesperson(const QString& text) {
    salesperson = fixedWidth(text, 6);
}
void OrderWork::setCustomer(const QString& text) {
    customer = fixedWidth(text, 8);
}
void OrderWork::setShipTo(const QString& text) {
    shipTo = fixedWidth(text, 2);
}
void OrderWork::setMessage(const QString& text) {
    message = fixedWidth(text, 23);
}
void OrderWork::setOrderDate(const QString& text) {
    orderDate = fixedWidth(text, 6);
}
void OrderWork::setRoute(const QString& text) {
    route = fixedWidth(text, 6);
}

namespace {
// Written over the text's own characters: an item's fields are cleared for every line item read.
void assignInPlace(QString& text, QLatin1StringView value) {
    text.resize(value.size());
    QChar* out = text.data();
    for (qsizetype i = 0; i < value.size(); ++i)
        out[i] = QLatin1Char(value[i]);
}
} // namespace

void ItemWork::clear() {
    itemNumber.fill(QLatin1Char('0'), 13);
    assignInPlace(quantity, QLatin1StringView("000+"));
    assignInPlace(unit, QLatin1StringView(" "));
    assignInPlace(discount, QLatin1StringView("00"));
    assignInPlace(price, QLatin1StringView("00000"));
}

bool ItemWork::hasData() const {
    static const QString noItemNumber(13, QLatin1Char('0'));
    return itemNumber != noItemNumber && quantity != QLatin1String("000+");
}

void ItemWork::setItemNumber(const QString& text) {
    itemNumber = fixedWidth(text, 13);
}
void ItemWork::setQuantity(const QString& text) {
    quantity = fixedWidth(text, 4);
}
void ItemWork::setUnit(const QString& text) {
    unit = fixedWidth(text, 1);
}
void ItemWork::setDiscount(const QString& text) {
    discount = fixedWidth(text, 2);
}
void ItemWork::setPrice(const QString& text) {
    price = fixedWidth(text, 5);
}

} // namespace vrq
