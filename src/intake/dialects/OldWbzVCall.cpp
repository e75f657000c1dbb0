#include "intake/RecordParsers.h"

#include "intake/CallSaver.h"
#include "intake/FieldReaders.h"
#include "intake/WorkRecords.h"

namespace vrq {

namespace {

using namespace vvalues;

const QString kParser = QStringLiteral("ProcessGoodCall5");
const QString kNoCustomer = QStringLiteral("00000000");
const QString kNoSalesperson = QStringLiteral("00");

// Whether a header value ends the order header; otherwise it may set the salesperson, customer or ship-to.
bool takeHeaderValue(const QString& value, QString& salesperson, QString& customer, QString& shipTo) {
    const QChar first = value.isEmpty() ? QLatin1Char(' ') : value.at(0);
    const qsizetype length = value.size();
    if (first == QLatin1Char(' '))
        return false;
    if (first == QLatin1Char('C')) {
        if (length == 9)
            customer = value.mid(1, 8);
        return false;
    }
    if (first == QLatin1Char('A')) {
        if (length != 3)
            return true;
        shipTo = value.mid(1, 2);
        return false;
    }
    if (first == QLatin1Char('.'))
        return true;
    if (length == 1)
        return false;
    if (length == 2) {
        salesperson = value;
        return false;
    }
    if (length == 9)
        return true;
    if (salesperson == kNoSalesperson) {
        if (length == 8) {
            customer = value;
            return false;
        }
        return length > 8;
    }
    return true;
}

// The state of one parse. A call holds orders, each an order header (values up to the first that is
// not a header value) and its items (values up to a customer, a message or a value that is not an item).
class OldWbzVParse {
public:
    OldWbzVParse(ParserContext& pc, qint64& position, const CallHeader& header, int source)
        : m_pc(pc), m_position(position), m_header(header), m_source(source) {}

    void run();

private:
    // Reads header values until one ends the header, and leaves the position at the start of that value:
    // it is read again as the first item value. False when the call's data ran out first.
    bool readOrderHeader(QString& customer, QString& shipTo);
    void saveOrder(const QString& customer, const QString& shipTo);
    // Reads item values until one ends the order.
    void readItems();
    // Reads the next value; the position where it started.
    qint64 readValue(std::string_view delimiters, bool includeDelimiter);
    void saveItem();

    ParserContext& m_pc;
    qint64& m_position;
    const CallHeader& m_header;
    int m_source;
    QString m_salesperson = kNoSalesperson; // kept for the later orders of the call
    bool m_goodOrders = true;               // false once an order had no customer
    OrderWork m_order;
    ItemWork m_item;
    int m_itemCount = 0; // the items of the current order: a price override applies to the last one
    QString m_value;
};

qint64 OldWbzVParse::readValue(std::string_view delimiters, bool includeDelimiter) {
    const qint64 start = m_position;
    m_pc.readers.getField(m_position, delimiters, m_value, includeDelimiter, m_pc.endPosition);
    return start;
}

bool OldWbzVParse::readOrderHeader(QString& customer, QString& shipTo) {
    for (;;) {
        const qint64 start = readValue("+", false);
        // Nothing read: the file ends (or cannot be read) before the call's data length says.
        if (m_position >= m_pc.endPosition || m_position == start)
            return false;
        if (takeHeaderValue(m_value, m_salesperson, customer, shipTo)) {
            m_position = start;
            return true;
        }
    }
}

void OldWbzVParse::saveOrder(const QString& customer, const QString& shipTo) {
    m_order.clear();
    m_order.source = m_source;
    m_order.setSalesperson(m_salesperson);
    m_order.setCustomer(customer);
    m_order.setShipTo(shipTo);
    m_pc.saver.saveHeader(m_header, m_order);
    if (customer == kNoCustomer)
        m_goodOrders = false;
    m_itemCount = 0;
}

void OldWbzVParse::saveItem() {
    ++m_itemCount;
    if (m_item.hasData())
        m_pc.saver.saveRecord(m_header, m_order, m_item);
}

void OldWbzVParse::readItems() {
    for (;;) {
        const qint64 start = readValue("+-", true);
        m_item.clear();
        if (m_value.startsWith(QLatin1Char('C'))) {
            // The next order's header is read from the delimiter before this customer value.
            m_position = start - 1;
            return;
        }
        if (m_value.startsWith(QLatin1Char('.'))) {
            m_pc.storeOrderMessage(m_source, m_header, m_order.orderSeqNumber, dotMessage(m_value), kParser,
                                   QStringLiteral("Message"));
            return;
        }
        if (m_value.startsWith(QLatin1String("A4")))
            continue;
        if (m_value.startsWith(QLatin1String("A5"))) {
            m_pc.saver.priceOverride(m_header, m_source, m_order.orderSeqNumber, m_itemCount,
                                     m_value.mid(2, 5));
            continue;
        }
        if (m_value.startsWith(QLatin1Char('A'))) {
            const QString quantity = readAItem(m_pc, m_position, m_value, m_item);
            const QChar unitCode = quantity.size() > 1 ? quantity.at(1) : QChar();
            if (unitCode == QLatin1Char('2'))
                m_item.setUnit(QStringLiteral("1"));
            else if (unitCode == QLatin1Char('3'))
                m_item.setUnit(QStringLiteral("0"));
            saveItem();
            continue;
        }
        if (isItemInOneValue(m_value)) {
            readItemInOneValue(m_value, m_item);
            saveItem();
            continue;
        }
        return; // the next order's header is read from after this value
    }
}

void OldWbzVParse::run() {
    m_pc.startCall(m_header, m_source, ParserContext::WhenSavedBefore::GoOn);
    while (m_pc.withinCall(m_position)) {
        QString customer = kNoCustomer;
        QString shipTo = QStringLiteral("00");
        if (!readOrderHeader(customer, shipTo))
            break;
        saveOrder(customer, shipTo);
        readItems();
    }
    m_pc.finishCall(m_position, m_header, kParser, m_goodOrders);
}

} // namespace

void readOldWbzVCall(ParserContext& pc, qint64& position, const CallHeader& header, int source) {
    OldWbzVParse parse(pc, position, header, source);
    parse.run();
}

} // namespace vrq
