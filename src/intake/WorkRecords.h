#pragma once

#include <QString>

namespace vrq {

// The order being assembled while a call is parsed. Text fields are fixed-width: assign through set().
struct OrderWork {
    QString Salesperson = QString(6, QLatin1Char(' ')); // kept for the later orders of the call
    QString Customer;
    QString ShipTo;
    QString Message;
    QString OrderDate;
    QString Route;
    int OrderSeqNumber = 0; // set when the order is saved
    int Source = 0;

    OrderWork() { clear(); }
    void clear();
    bool hasData() const;
    void setSalesperson(const QString& text);
    void setCustomer(const QString& text);
    void setShipTo(const QString& text);
    void setMessage(const QString& text);
    void setOrderDate(const QString& text);
    void setRoute(const QString& text);
};

// The line item being assembled.
struct ItemWork {
    QString ItemNumber;
    QString Quantity;
    QString Unit;
    QString Discount;
    QString Price;

    ItemWork() { clear(); }
    void clear();
    bool hasData() const;
    void setItemNumber(const QString& text);
    void setQuantity(const QString& text);
    void setUnit(const QString& text);
    void setDiscount(const QString& text);
    void setPrice(const QString& text);
};

} // namespace vrq
