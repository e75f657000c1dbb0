#include "intake/WorkRecords.h"

#include "intake/CallHeader.h"

namespace vrq {

void OrderWork::clear() {
    // Shared with constants rather than made anew: an order's fields are cleared for every order read.
    static const QString blankCustomer(8, QLatin1Char(' '));
    static const QString blankShipTo(2, QLatin1Char(' '));
    static const QString blankMessage(23, QLatin1Char(' '));
    static const QString noOrderDate = QStringLiteral("000000");
    static const QString blankRoute(6, QLatin1Char(' '));
    customer = blankCustomer;
    shipTo = blankShipTo;
    message = blankMessage;
    orderDate = noOrderDate;
    route = blankRoute;
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

void ItemWork::clear() {
    itemNumber.fill(QLatin1StringView("0000000000000"));
    quantity.fill(QLatin1StringView("000+"));
    unit.fill(QLatin1StringView(" "));
    discount.fill(QLatin1StringView("00"));
    price.fill(QLatin1StringView("00000"));
}

bool ItemWork::hasData() const {
    return itemNumber.view() != QLatin1StringView("0000000000000") &&
           quantity.view() != QLatin1StringView("000+");
}

} // namespace vrq
