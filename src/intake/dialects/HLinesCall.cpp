#include "intake/RecordParsers.h"

#include "context/AppContext.h"
#include "intake/CallSaver.h"
#include "intake/CallSource.h"
#include "intake/FieldReaders.h"
#include "intake/WorkRecords.h"
#include "platform/Clock.h"

namespace vrq {

namespace {

// One text line from the position, without its line end, read no further than the end position.
QString readLine(CallSource& file, qint64 position, qint64 endPosition) {
    QString line;
    for (qint64 p = position; p <= endPosition; ++p) {
        const int c = file.byteAt(p);
        if (c < 0 || c == '\r' || c == '\n')
            break;
        line.append(QChar(c));
    }
    return line;
}

} // namespace

void readHLinesCall(ParserContext& pc, qint64& position, const CallHeader& header, int source) {
    if (!pc.startCall(header, source, ParserContext::WhenSavedBefore::Stop))
        return;

    OrderWork order;
    order.source = source;
    ItemWork item;
    bool headerSeen = false;
    while (pc.withinCall(position)) {
        const QString line = readLine(pc.file, position, pc.endPosition);
        position += line.size() + 2;
        const qsizetype h = line.indexOf(QLatin1Char('H'));
        if (h >= 0) {
            const QString values = line.mid(h + 1);
            qsizetype start = 0;
            const QString customer = nextToken(values, start, QLatin1Char('+'));
            const QString category = nextToken(values, start, QLatin1Char('+'));
            order.clear();
            order.setCustomer(customer);
            order.setMessage(QStringLiteral("Category: ") + category);
            order.setOrderDate(pc.ctx.clock->now().toString(QStringLiteral("yyMMdd")));
            if (order.hasData())
                pc.saver.saveHeader(header, order);
            headerSeen = true;
        } else if (line.startsWith(QLatin1Char('E'))) {
            continue;
        } else if (headerSeen) {
            qsizetype start = 0;
            const QString itemNumber = nextToken(line, start, QLatin1Char('+'));
            const int first = leadingInt(nextToken(line, start, QLatin1Char('+')));
            const int second = leadingInt(nextToken(line, start, QLatin1Char('+')));
            item.clear();
            item.setItemNumber(itemNumber);
            if (first > 0) {
                item.setQuantity(zeroPadded(first, 3));
                item.setUnit(QStringLiteral("2"));
            } else {
                item.setQuantity(zeroPadded(second, 3));
                item.setUnit(QStringLiteral("3"));
            }
            if (item.hasData())
                pc.saver.saveRecord(header, order, item);
        }
    }
    pc.finishCall(position, header, QStringLiteral("ProcessHFormatCall"));
}

} // namespace vrq
