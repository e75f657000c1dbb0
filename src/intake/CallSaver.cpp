#include "intake/CallSaver.h"

#include "context/AppContext.h"
#include "context/UserInterface.h"
#include "intake/CallJudgement.h"
#include "platform/Clock.h"
#include "store/AuditLog.h"
#include "store/Store.h"

#include <algorithm>

namespace vrq {

namespace {
constexpr int kTypeMismatch = 13;
const char* const kNoCurrentRecordText = "No current record.";
} // namespace

// "SaveCall error (Call #12): ": made only when an error is logged, not for every row.
QString CallSaver::errorPrefix(const char* step, const CallHeader& header) {
    return QLatin1String(step) + QStringLiteral(" error (Call #") + header.callNumber + QStringLiteral("): ");
}

int CallSaver::callNumberOf(const CallHeader& header) {
    if (!m_callNumber)
        m_callNumber = header.callNumberValue();
    return *m_callNumber;
}

bool CallSaver::batchMode() const {
    return m_ctx.runMode == QLatin1Char('B');
}

void CallSaver::logError(const QString& text) {
    if (m_ctx.audit)
        m_ctx.audit->write(AuditType::Error, text);
}

bool CallSaver::saveCall(const CallHeader& header, int source) {
    const std::optional<QDateTime> callDnt = header.callDnt();
    if (!batchMode()) {
        const CallJudgement judgement = CallJudgement::judge(header, m_validationMode, m_cutShort);
        CallRow row;
        row.source = source;
        row.callNumber = callNumberOf(header);
        if (callDnt)
            row.callDnt = *callDnt;
        else
            logError(errorPrefix("SaveCall", header) + withSignBlank(kTypeMismatch) +
                     QStringLiteral(" - Type mismatch"));
        row.goodCall = judgement.good;
        row.complete = !judgement.good;
        row.extractedCall = false;
        row.numberOfOrders = 0;
        row.lineNumber = header.lineNumberValue();
        row.hour = header.hourValue();
        row.numBytes = header.dataLengthValue();
        row.badReason = judgement.badReason;
        row.badData = judgement.badData;
        const Result inserted = m_ctx.store->calls().insertCall(row);
        if (!inserted.ok()) {
            logError(errorPrefix("SaveCall", header) + withSignBlank(inserted.code) + QStringLiteral(" - ") +
                     inserted.message);
            if (inserted.isDuplicate())
                return false;
        } else {
            m_judgedGood = row.goodCall;
        }
    }
    const CallAuditEntry entry = CallAuditEntry::of(header, source, m_validationMode, m_cutShort);
    if (m_ctx.audit)
        m_ctx.audit->writeAudit(callDnt ? *callDnt : m_ctx.clock->now(), entry.type, entry.text);
    return true;
}

void CallSaver::saveHeader(const CallHeader& header, OrderWork& order) {
    if (batchMode())
        return;
    int number = 0;
    const Result raised =
        m_ctx.store->calls().raiseNumberOfOrders(order.source, callNumberOf(header), &number);
    if (!raised.ok()) {
        logError(errorPrefix("SaveHeader", header) + (raised.status == Result::Status::NotFound
                                                          ? QString::fromLatin1(kNoCurrentRecordText)
                                                          : raised.message));
        return;
    }
    OrderRow row;
    row.source = order.source;
    row.callNumber = callNumberOf(header);
    row.orderSeqNumber = number;
    row.salesperson = order.salesperson;
    row.customer = order.customer;
    row.shipTo = order.shipTo;
    row.route = order.route;
    row.message = order.message;
    row.numberOfItems = 0;
    order.orderSeqNumber = number;
    const Result inserted = m_ctx.store->calls().insertOrder(row);
    if (!inserted.ok())
        logError(errorPrefix("SaveHeader", header) + inserted.message);
}

void CallSaver::saveRecord(const CallHeader& header, const OrderWork& order, const ItemWork& item) {
    if (!batchMode()) {
        const int callNumber = callNumberOf(header);
        int number = 0;
        const Result raised =
            m_ctx.store->calls().raiseNumberOfItems(order.source, callNumber, order.orderSeqNumber, &number);
        if (!raised.ok()) {
            logError(errorPrefix("SaveRecord", header) + (raised.status == Result::Status::NotFound
                                                              ? QString::fromLatin1(kNoCurrentRecordText)
                                                              : raised.message));
        } else {
            ItemRow row;
            row.source = order.source;
            row.callNumber = callNumber;
            row.orderSeqNumber = order.orderSeqNumber;
            row.itemSeqNumber = number;
            // Written over the saver's own text, whose characters the row shares only until its insert:
            // a text made anew per item was most of the allocations left.
            m_itemNumber.resize(item.itemNumber.view().size());
            std::copy_n(item.itemNumber.view().data(), m_itemNumber.size(), m_itemNumber.data());
            row.itemNumber = m_itemNumber;
            row.quantity = item.quantity.number();
            if (item.quantity.view().endsWith(QLatin1Char('-')))
                row.quantity = -row.quantity;
            row.unit = item.unit.number();
            row.discountPercent = item.discount.number();
            row.priceOverride = item.price.number();
            const Result inserted = m_ctx.store->calls().insertItem(row);
            if (!inserted.ok())
                logError(errorPrefix("SaveRecord", header) + inserted.message);
        }
    }
    if (m_ctx.ui)
        m_ctx.ui->processEvents();
}

void CallSaver::priceOverride(const CallHeader& header, int source, int orderSeqNumber, int itemSeqNumber,
                              const QString& price) {
    const Result updated = m_ctx.store->calls().setPriceOverride(source, callNumberOf(header), orderSeqNumber,
                                                                 itemSeqNumber, leadingInt(price));
    if (!updated.ok())
        logError(errorPrefix("SaveRecord", header) + (updated.status == Result::Status::NotFound
                                                          ? QString::fromLatin1(kNoCurrentRecordText)
                                                          : updated.message));
}

} // namespace vrq
