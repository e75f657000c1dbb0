#pragma once

#include "intake/CallHeader.h"

#include <QString>
#include <algorithm>
#include <array>
#include <span>

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

// One field of the line item being assembled: always exactly Width characters, set whole (cut or padded
// with blanks, as a fixed-width field holds a text) or written over in place by a reader. Held in place
// rather than as a text of its own: an item's fields are read, set and cleared for every line item.
template <int Width> class ItemField {
public:
    // text cut or padded with blanks to the width.
    void set(QStringView text) {
        const qsizetype taken = std::min<qsizetype>(text.size(), Width);
        std::copy_n(text.data(), taken, m_chars.data());
        std::fill(m_chars.begin() + taken, m_chars.end(), QLatin1Char(' '));
    }
    // The width's characters of value (a constant of the field's width).
    void fill(QLatin1StringView value) {
        for (int i = 0; i < Width; ++i)
            m_chars[static_cast<std::size_t>(i)] = QLatin1Char(value[i]);
    }
    // The characters, for a reader to write over.
    std::span<QChar, Width> chars() { return m_chars; }
    QStringView view() const { return QStringView(m_chars.data(), Width); }
    QString toString() const { return view().toString(); }
    // The number the field begins with, as leadingInt reads it.
    int number() const { return leadingInt(view()); }

private:
    std::array<QChar, Width> m_chars{};
};

// The line item being assembled.
struct ItemWork {
    ItemField<13> itemNumber;
    ItemField<4> quantity;
    ItemField<1> unit;
    ItemField<2> discount;
    ItemField<5> price;

    ItemWork() { clear(); }
    void clear();
    bool hasData() const;
    void setItemNumber(const QString& text) { itemNumber.set(text); }
    void setQuantity(const QString& text) { quantity.set(text); }
    void setUnit(const QString& text) { unit.set(text); }
    void setDiscount(const QString& text) { discount.set(text); }
    void setPrice(const QString& text) { price.set(text); }
};

} // namespace vrq
