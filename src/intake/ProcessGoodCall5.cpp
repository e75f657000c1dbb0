#include "intake/RecordParsers.h"

#include "context/AppContext.h"
#include "intake/CallSaver.h"
#include "intake/CallSource.h"
#include "intake/FieldReaders.h"
#include "intake/WorkRecords.h"
#include "store/CallStore.h"

namespace vrq {

namespace {

const QString kNoCustomer = QStringLiteral("00000000");
const QString kNoSalesperson = QStringLiteral("00");

// The quantity of an item value from the given index, without its closing delimiter; "-" when it closed with
// "-".
QString quantityOf(const QString& value, int from) {
    QString quantity = value.mid(from);
    const bool negative = value.endsWith(QLatin1Char('-'));
    if (negative || value.endsWith(QLatin1Char('+')))
        quantity.chop(1);
    return negative ? quantity + QLatin1Char('-') : quantity;
}

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

} // namespace

void processGoodCall5(ParserContext& pc, qint64& position, const CallHeader& header, int source) {
    const qint64 endPosition = callEndPosition(pc, position, header, source);
    pc.saver.saveCall(header, source);
    pc.listCall(header);

    const QString plus = QStringLiteral("+");
    const QString plusMinus = QStringLiteral("+-");
    QString salesperson = kNoSalesperson;
    bool goodOrders = true;
    OrderWork order;
    ItemWork item;
    QString value;
    while (!pc.file.atEnd(position) && position <= endPosition) {
        // Header phase.
        QString customer = kNoCustomer;
        QString shipTo = QStringLiteral("00");
        qint64 p = position;
        bool dataUsedUp = false;
        for (;;) {
            p = position;
            pc.readers.getField(position, plus, value, false, endPosition);
            // Nothing read: the file ends (or cannot be read) before the call's data length says.
            if (position >= endPosition || position == p) {
                dataUsedUp = true;
                break;
            }
            if (takeHeaderValue(value, salesperson, customer, shipTo))
                break;
        }
        if (dataUsedUp)
            break;

        // Save the order; the value that ended the header is read again as the first item value.
        order.clear();
        order.Source = source;
        order.setSalesperson(salesperson);
        order.setCustomer(customer);
        order.setShipTo(shipTo);
        pc.saver.saveHeader(header, order);
        if (customer == kNoCustomer)
            goodOrders = false;
        position = p;
        int itemCount = 0;
        QString lastItemNumber;

        // Item phase.
        for (;;) {
            p = position - 1;
            pc.readers.getField(position, plusMinus, value, true, endPosition);
            item.clear();
            if (value.startsWith(QLatin1Char('C'))) {
                position = p;
                break;
            }
            if (value.startsWith(QLatin1Char('.'))) {
                const QString message = fixedWidth(value.mid(1, value.size() - 2), 23);
                const StoreResult stored = pc.ctx.store->setOrderMessage(source, header.callNumberValue(),
                                                                         order.OrderSeqNumber, message);
                if (!stored.ok() && stored.status != StoreStatus::NotFound)
                    pc.log(AuditType::Error,
                           QStringLiteral("ProcessGoodCall5 error (Message): ") + stored.description);
                break;
            }
            if (value.startsWith(QLatin1String("A4")))
                continue;
            if (value.startsWith(QLatin1String("A5"))) {
                pc.saver.priceOverride(header, source, order.OrderSeqNumber, itemCount, value.mid(2, 5));
                continue;
            }
            if (value.startsWith(QLatin1Char('A'))) {
                item.setItemNumber(value.mid(2, 6));
                lastItemNumber = item.ItemNumber;
                ++itemCount;
                QString quantity;
                pc.readers.getField(position, plusMinus, quantity, true, endPosition);
                const QChar unitCode = quantity.size() > 1 ? quantity.at(1) : QChar();
                if (unitCode == QLatin1Char('2'))
                    item.setUnit(QStringLiteral("1"));
                else if (unitCode == QLatin1Char('3'))
                    item.setUnit(QStringLiteral("0"));
                item.setQuantity(quantityOf(quantity, 2));
                if (item.hasData())
                    pc.saver.saveRecord(header, order, item);
                continue;
            }
            if (value.size() >= 10 && value.at(0).isDigit()) {
                item.setItemNumber(value.left(6));
                lastItemNumber = item.ItemNumber;
                ++itemCount;
                item.setQuantity(quantityOf(value, 8));
                if (item.hasData())
                    pc.saver.saveRecord(header, order, item);
                continue;
            }
            break; // the next order's header is read from after this value
        }
    }
    if (position > endPosition)
        position = endPosition;
    pc.completeByNumberAlone(header, QStringLiteral("ProcessGoodCall5"), goodOrders);
}

} // namespace vrq
