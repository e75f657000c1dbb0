#include "intake/RecordParsers.h"

#include "intake/CallSaver.h"
#include "intake/FieldReaders.h"
#include "intake/WorkRecords.h"

namespace vrq {

using namespace vvalues;

// An order's lines come before the value that ends it, so the order is saved at its first line and a
// later message is written onto the saved row. An order without lines is not saved.
void readAutoFormatVCall(ParserContext& pc, qint64& position, const CallHeader& header, int source) {
    if (!pc.startCall(header, source, ParserContext::WhenSavedBefore::Stop))
        return;

    constexpr std::string_view plus = "+";
    constexpr std::string_view plusMinus = "+-";
    OrderWork order;
    order.source = source;
    ItemWork item;
    QString value;
    pc.readers.getField(position, plus, value, false, pc.endPosition);
    while (pc.withinCall(position)) {
        order.clear();
        order.setSalesperson(value.left(6));
        pc.readers.getField(position, plus, value, false, pc.endPosition);
        order.setCustomer(value.mid(1, 6));
        pc.readers.getField(position, plus, value, false, pc.endPosition); // read and not used
        bool orderSaved = false;
        for (;;) {
            if (!pc.withinCall(position)) {
                value.clear();
                break;
            }
            pc.readers.getField(position, plusMinus, value, true, pc.endPosition);
            item.clear();
            if (value.startsWith(QLatin1Char('A'))) {
                readAItem(pc, position, value, item);
                item.setUnit(QStringLiteral("1"));
            } else if (isItemInOneValue(value)) {
                readItemInOneValue(value, item);
            } else if (value.startsWith(QLatin1Char('.'))) {
                if (orderSaved)
                    pc.storeOrderMessage(source, header, order.orderSeqNumber, dotMessage(value),
                                         QStringLiteral("ProcessGoodCall3"), QStringLiteral("Message"));
                pc.readers.getField(position, plus, value, false, pc.endPosition);
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
    pc.finishCall(position, header, QStringLiteral("ProcessGoodCall3"));
}

} // namespace vrq
