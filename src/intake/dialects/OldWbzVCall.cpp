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
        : pc(pc), position(position), header(header), source(source) {}

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

    ParserContext& pc;
    qint64& position;
    const CallHeader& header;
    int source;
    QString salesperson = kNoSalesperson; // kept for the later orders of the call
    bool goodOrders = true;               // false once an order had no customer
    OrderWork order;
    ItemWork item;
    int itemCount = 0; // the items of the current order: a price override applies to the last one
    QString value;
};

qint64 OldWbzVParse::readValue(std::string_view delimiters, bool includeDelimiter) {
    const qint64 start = position;
    pc.readers.getField(position, delimiters, value, includeDelimiter, pc.endPosition);
    return start;
}

bool OldWbzVParse::readOrderHeader(QString& customer, QString& shipTo) {
    for (;;) {
        const qint64 start = readValue("+", false);
        // Nothing read: the file ends (or cannot be read) before the call's data length says.
        if (position >= pc.endPosition || position == start)
            return false;
        if (takeHeaderValue(value, salesperson, customer, shipTo)) {
            position = start;
            return true;
        }
    }
}

void OldWbzVParse::saveOrder(const QString& customer, const QString& shipTo) {
    order.clear();
    order.Source = source;
    order.setSalesperson(salesperson);
    order.setCustomer(customer);
    order.setShipTo(shipTo);
    pc.saver.saveHeader(header, order);
    if (customer == kNoCustomer)
        goodOrders = false;
    itemCount = 0;
}

void OldWbzVParse::saveItem() {
    ++itemCount;
    if (item.hasData())
        pc.saver.saveRecord(header, order, item);
}

void OldWbzVParse::readItems() {
    for (;;) {
        const qint64 start = readValue("+-", true);
        item.clear();
        if (value.startsWith(QLatin1Char('C'))) {
            // The next order's header is read from the delimiter before this customer value.
            position = start - 1;
            return;
        }
        if (value.startsWith(QLatin1Char('.'))) {
            pc.storeOrderMessage(source, header, order.OrderSeqNumber, dotMessage(value), kParser,
                                 QStringLiteral("Message"));
            return;
        }
        if (value.startsWith(QLatin1String("A4")))
            continue;
        if (value.startsWith(QLatin1String("A5"))) {
            pc.saver.priceOverride(header, source, order.OrderSeqNumber, itemCount, value.mid(2, 5));
            continue;
        }
        if (value.startsWith(QLatin1Char('A'))) {
            const QString quantity = readAItem(pc, position, value, item);
            const QChar unitCode = quantity.size() > 1 ? quantity.at(1) : QChar();
            if (unitCode == QLatin1Char('2'))
                item.setUnit(QStringLiteral("1"));
            else if (unitCode == QLatin1Char('3'))
                item.setUnit(QStringLiteral("0"));
            saveItem();
            continue;
        }
        if (isItemInOneValue(value)) {
            readItemInOneValue(value, item);
            saveItem();
            continue;
        }
        return; // the next order's header is read from after this value
    }
}

void OldWbzVParse::run() {
    pc.startCall(header, source, ParserContext::WhenSavedBefore::GoOn);
    while (pc.withinCall(position)) {
        QString customer = kNoCustomer;
        QString shipTo = QStringLiteral("00");
        if (!readOrderHeader(customer, shipTo))
            break;
        saveOrder(customer, shipTo);
        readItems();
    }
    pc.finishCall(position, header, kParser, goodOrders);
}

} // namespace

void readOldWbzVCall(ParserContext& pc, qint64& position, const CallHeader& header, int source) {
    OldWbzVParse parse(pc, position, header, source);
    parse.run();
}

} // namespace vrq
