#include "intake/RecordParsers.h"

#include "context/AppContext.h"
#include "intake/CallSaver.h"
#include "intake/CallSource.h"
#include "intake/FieldReaders.h"
#include "intake/WorkRecords.h"
#include "store/AuditLog.h"
#include "store/Store.h"

namespace vrq {

namespace {
constexpr int kMessageWidth = 23;
} // namespace

void ParserContext::log(AuditType type, const QString& text) {
    if (ctx.audit)
        ctx.audit->write(type, text);
}

void ParserContext::logStepError(const QString& parser, const QString& stage, const QString& description) {
    log(AuditType::Error, parser + QStringLiteral(" error (") + stage + QStringLiteral("): ") + description);
}

bool ParserContext::startCall(const CallHeader& header, int source, WhenSavedBefore rule) {
    if (!saver.saveCall(header, source) && rule == WhenSavedBefore::Stop)
        return false;
    callNumbers.append(header.callNumberValue());
    return true;
}

bool ParserContext::withinCall(qint64 position) const {
    return !file.atEnd(position) && position <= endPosition;
}

void ParserContext::finishCall(qint64& position, const CallHeader& header, const QString& parser,
                               std::optional<bool> goodCall) {
    if (position > endPosition)
        position = endPosition;
    if (cutShort && goodCall)
        goodCall = false; // what arrived of a call cut short is never sent, whatever its orders
    const QString stage = QStringLiteral("Update database");
    Result result;
    const std::optional<CallRow> row =
        ctx.store->calls().findFirstCallByNumber(header.callNumberValue(), &result);
    if (!result.ok()) {
        logStepError(parser, stage, result.message);
        return;
    }
    if (!row)
        return;
    const Result updated = ctx.store->calls().setCallComplete(row->source, row->callNumber, goodCall);
    if (!updated.ok())
        logStepError(parser, stage, updated.message);
}

void ParserContext::storeOrderMessage(int source, const CallHeader& header, int orderSeqNumber,
                                      const QString& message, const QString& parser, const QString& stage) {
    const Result stored =
        ctx.store->calls().setOrderMessage(source, header.callNumberValue(), orderSeqNumber, message);
    if (!stored.ok() && stored.status != Result::Status::NotFound)
        logStepError(parser, stage, stored.message);
}

namespace vvalues {

QString quantityOf(const QString& value, int from) {
    QString quantity = value.mid(from);
    const bool negative = value.endsWith(QLatin1Char('-'));
    if (negative || value.endsWith(QLatin1Char('+')))
        quantity.chop(1);
    return negative ? quantity + QLatin1Char('-') : quantity;
}

bool isItemInOneValue(const QString& value) {
    return value.size() >= 10 && value.at(0).isDigit();
}

void readItemInOneValue(const QString& value, ItemWork& item) {
    item.setItemNumber(value.left(6));
    item.setQuantity(quantityOf(value, 8));
}

QString readAItem(ParserContext& pc, qint64& position, const QString& value, ItemWork& item) {
    item.setItemNumber(value.mid(2, 6));
    QString quantity;
    pc.readers.getField(position, "+-", quantity, true, pc.endPosition);
    item.setQuantity(quantityOf(quantity, 2));
    return quantity;
}

QString dotMessage(const QString& value) {
    return fixedWidth(value.mid(1, value.size() - 2), kMessageWidth);
}

} // namespace vvalues

} // namespace vrq
