#pragma once

#include <QString>

namespace vrq {

// The order being assembled while a call is parsed. Text fields are fixed-width: assign through set().
struct OrderWork {
    QString salesperson = QString(6, QLatin1Char(' ')); // kept for the later orders of the call
    QString customer;
    QString shipTo;
    QString message;
    QString orderDate;
    QString route;
    int orderSeqNumber = 0; // set when the order is saved
    int source = 0;

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
    QString itemNumber;
    QString quantity;
    QString unit;
    QString discount;
    QString price;

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
