#include "intake/RecordParsers.h"

#include "context/AppContext.h"
#include "intake/CallSaver.h"
#include "intake/CallSource.h"
#include "intake/FieldReaders.h"
#include "intake/WorkRecords.h"
#include "store/CallStore.h"

namespace vrq {

namespace {

bool startsWithDigit(const QString& value) {
    return !value.isEmpty() && value.at(0).isDigit();
}

// The quantity of an item value: from the given index, without the closing delimiter, and with a
// trailing "-" when the delimiter was "-".
QString quantityOf(const QString& value, int from) {
    QString quantity = value.mid(from);
    const bool negative = value.endsWith(QLatin1Char('-'));
    if (value.endsWith(QLatin1Char('-')) || value.endsWith(QLatin1Char('+')))
        quantity.chop(1);
    return negative ? quantity + QLatin1Char('-') : quantity;
}

} // namespace

// An order's lines come before the value that ends it, so the order is saved at its first line and a
// later message is written onto the saved row. An order without lines is not saved.
void processGoodCall3(ParserContext& pc, qint64& position, const CallHeader& header, int source) {
    const qint64 endPosition = callEndPosition(pc, position, header, source);
    if (!pc.saveAndListCall(header, source))
        return;

    const QString plus = QStringLiteral("+");
    const QString plusMinus = QStringLiteral("+-");
    OrderWork order;
    order.Source = source;
    ItemWork item;
    QString value;
    pc.readers.getField(position, plus, value, false, endPosition);
    while (!pc.file.atEnd(position) && position <= endPosition) {
        order.clear();
        order.setSalesperson(value.left(6));
        pc.readers.getField(position, plus, value, false, endPosition);
        order.setCustomer(value.mid(1, 6));
        pc.readers.getField(position, plus, value, false, endPosition); // read and not used
        bool orderSaved = false;
        for (;;) {
            if (pc.file.atEnd(position) || position > endPosition) {
                value.clear();
                break;
            }
            pc.readers.getField(position, plusMinus, value, true, endPosition);
            item.clear();
            if (value.startsWith(QLatin1Char('A'))) {
                item.setItemNumber(value.mid(2, 6));
                item.setUnit(QStringLiteral("1"));
                QString quantity;
                pc.readers.getField(position, plusMinus, quantity, true, endPosition);
                item.setQuantity(quantityOf(quantity, 2));
            } else if (value.size() >= 10 && startsWithDigit(value)) {
                item.setItemNumber(value.left(6));
                item.setQuantity(quantityOf(value, 8));
            } else if (value.startsWith(QLatin1Char('.'))) {
                const QString message = value.mid(1, value.size() - 2);
                if (orderSaved) {
                    const StoreResult stored = pc.ctx.store->setOrderMessage(
                        source, header.callNumberValue(), order.OrderSeqNumber, fixedWidth(message, 23));
                    if (!stored.ok() && stored.status != StoreStatus::NotFound)
                        pc.log(AuditType::Error,
                               QStringLiteral("ProcessGoodCall3 error (Message): ") + stored.description);
                }
                pc.readers.getField(position, plus, value, false, endPosition);
                break;
            } else {
                break; // ends the order and is the salesperson value of the next one
            }
            if (!orderSaved && order.hasData()) {
                pc.saver.saveHeader(header, order);
                orderSaved = true;
            }
            if (orderSaved && item.hasData())
                pc.saver.saveRecord(header, order, item);
        }
    }
    if (position > endPosition)
        position = endPosition;
    pc.completeByNumberAlone(header, QStringLiteral("ProcessGoodCall3"));
}

} // namespace vrq
