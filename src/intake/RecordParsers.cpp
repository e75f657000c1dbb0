#include "intake/RecordParsers.h"

#include "context/AppContext.h"
#include "intake/CallSaver.h"
#include "intake/CallSource.h"
#include "store/AuditLog.h"
#include "store/CallStore.h"

namespace vrq {

void ParserContext::log(AuditType type, const QString& text) {
    if (ctx.audit)
        ctx.audit->write(type, text);
}

void ParserContext::listCall(const CallHeader& header) {
    ctx.callNumberList += QLatin1Char(',') + withSignBlank(header.callNumberValue());
}

bool ParserContext::saveAndListCall(const CallHeader& header, int source) {
    if (!saver.saveCall(header, source))
        return false;
    listCall(header);
    return true;
}

void ParserContext::completeByNumberAlone(const CallHeader& header, const QString& parser,
                                          std::optional<bool> goodCall) {
    StoreResult result;
    const std::optional<CallRow> row = ctx.store->findFirstCallByNumber(header.callNumberValue(), &result);
    if (!result.ok()) {
        log(AuditType::Error, parser + QStringLiteral(" error (Update database): ") + result.description);
        return;
    }
    if (!row)
        return;
    const StoreResult updated = ctx.store->setCallComplete(row->source, row->callNumber, goodCall);
    if (!updated.ok())
        log(AuditType::Error, parser + QStringLiteral(" error (Update database): ") + updated.description);
}

qint64 callEndPosition(const ParserContext& pc, qint64 position, const CallHeader& header, int source) {
    if (source == 1)
        return pc.file.length();
    const qint64 start = pc.dataStart > 0 ? std::min(pc.dataStart, position) : position;
    return start + header.dataLengthValue() - 1;
}

} // namespace vrq
