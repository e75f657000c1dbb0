#include "intake/RecordParsers.h"

#include "intake/CallSaver.h"
#include "intake/CallSource.h"
#include "intake/FieldReaders.h"
#include "intake/WorkRecords.h"

namespace vrq {

namespace {

enum class Expect { Salesperson, Customer, Items };

bool isSalespersonValue(const QString& value) {
    return value.size() == 6 && !value.startsWith(QLatin1Char('C'));
}

QString withoutLeadingZeros(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char('0'))
        ++i;
    return text.mid(i);
}

} // namespace

void readQuillCall(ParserContext& pc, qint64& position, const CallHeader& header, int source) {
    if (!pc.startCall(header, source, ParserContext::WhenSavedBefore::Stop))
        return;

    OrderWork order;
    order.source = source;
    ItemWork item;
    Expect expect = Expect::Salesperson;
    QString value;
    while (pc.withinCall(position)) {
        pc.readers.getField(position, "+", value, false, pc.endPosition);
        value.remove(QLatin1Char(' '));
        if (value.isEmpty())
            continue;
        if (expect == Expect::Items && (value.startsWith(QLatin1Char('C')) || value.size() == 6))
            expect = Expect::Customer; // ends the items; read again as a customer or salesperson
        if (expect != Expect::Items) {
            if (isSalespersonValue(value)) {
                order.clear();
                order.setSalesperson(value);
                expect = Expect::Customer;
            } else {
                order.clear();
                order.setCustomer(value.startsWith(QLatin1Char('C')) ? value.mid(1) : value);
                if (order.hasData())
                    pc.saver.saveHeader(header, order);
                expect = Expect::Items;
            }
            continue;
        }
        item.clear();
        const qsizetype slash = value.indexOf(QLatin1Char('/'));
        if (slash >= 0) {
            item.setItemNumber(withoutLeadingZeros(value.left(slash)));
            item.setQuantity(value.mid(slash + 1));
        } else {
            item.setItemNumber(value.left(6));
            item.setQuantity(value.mid(6));
        }
        if (item.hasData())
            pc.saver.saveRecord(header, order, item);
    }
    pc.finishCall(position, header, QStringLiteral("ProcessFormat1Call"));
}

} // namespace vrq
