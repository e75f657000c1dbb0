#include "intake/WorkRecords.h"

#include "intake/CallHeader.h"

namespace vrq {

void OrderWork::clear() {
    Customer = QString(8, QLatin1Char(' '));
    ShipTo = QString(2, QLatin1Char(' '));
    Message = QString(23, QLatin1Char(' '));
    OrderDate = QStringLiteral("000000");
    Route = QString(6, QLatin1Char(' '));
}

bool OrderWork::hasData() const {
    return Salesperson != QLatin1String("000000") && Customer != QLatin1String("00000000");
}

void OrderWork::setSalesperson(const QString& text) {
    Salesperson = fixedWidth(text, 6);
}
void OrderWork::setCustomer(const QString& text) {
    Customer = fixedWidth(text, 8);
}
void OrderWork::setShipTo(const QString& text) {
    ShipTo = fixedWidth(text, 2);
}
void OrderWork::setMessage(const QString& text) {
    Message = fixedWidth(text, 23);
}
void OrderWork::setOrderDate(const QString& text) {
    OrderDate = fixedWidth(text, 6);
}
void OrderWork::setRoute(const QString& text) {
    Route = fixedWidth(text, 6);
}

void ItemWork::clear() {
    ItemNumber = QString(13, QLatin1Char('0'));
    Quantity = QStringLiteral("000+");
    Unit = QStringLiteral(" ");
    Discount = QStringLiteral("00");
    Price = QStringLiteral("00000");
}

bool ItemWork::hasData() const {
    return ItemNumber != QString(13, QLatin1Char('0')) && Quantity != QLatin1String("000+");
}

void ItemWork::setItemNumber(const QString& text) {
    ItemNumber = fixedWidth(text, 13);
}
void ItemWork::setQuantity(const QString& text) {
    Quantity = fixedWidth(text, 4);
}
void ItemWork::setUnit(const QString& text) {
    Unit = fixedWidth(text, 1);
}
void ItemWork::setDiscount(const QString& text) {
    Discount = fixedWidth(text, 2);
}
void ItemWork::setPrice(const QString& text) {
    Price = fixedWidth(text, 5);
}

} // namespace vrq
