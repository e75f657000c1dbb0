#include "export/ReExtract.h"

#include "context/AppContext.h"
#include "context/UserInterface.h"
#include "store/AuditLog.h"
#include "store/Store.h"

namespace vrq {

Result ReExtract::markToSendAgain(const CallKey& call) {
    Result result = m_ctx.store->calls().setExtracted(call.source, call.callNumber, false);
    if (result.isNotFound())
        return result; // gone since the window was filled
    if (!result.ok()) {
        if (m_ctx.audit)
            m_ctx.audit->write(AuditType::Error,
                               QStringLiteral("ReExtract error (") + result.message + QLatin1Char(')'));
        return result;
    }
    if (m_ctx.audit)
        m_ctx.audit->write(AuditType::Info,
                           QStringLiteral("%1 #%2 marked to be sent to QX7 again (Re-Extract)")
                               .arg(call.source == 1 ? QStringLiteral("File") : QStringLiteral("Call"))
                               .arg(call.callNumber));
    if (m_ctx.ui)
        m_ctx.ui->updateCallRow(call.source, call.callNumber, CallDisplay::Good);
    return Result::success();
}

} // namespace vrq
