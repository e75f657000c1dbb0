#pragma once

#include "intake/CallHeader.h"
#include "intake/WorkRecords.h"

#include <optional>

namespace vrq {

struct AppContext;

// Turns the parsed pieces of a call into rows: the Calls row with its judgement and audit entry, the
// Orders rows and the OrderLineItems rows, numbered from the counters of their parent rows. Failures
// are logged as "E" entries and the caller goes on. In batch mode nothing is inserted.
class CallSaver {
public:
    // validationMode: the call comes from a command-line file under test (judged and logged as such).
    // cutShort: why the call's data end early (the call is then judged bad); empty for a whole call.
    CallSaver(AppContext& ctx, bool validationMode, const QString& cutShort = {})
        : m_ctx(ctx), m_validationMode(validationMode), m_cutShort(cutShort) {}

    // False only when the call already has a row (duplicate key).
    bool saveCall(const CallHeader& header, int source);
    // Inserts the order and writes its new number into order.orderSeqNumber.
    void saveHeader(const CallHeader& header, OrderWork& order);
    void saveRecord(const CallHeader& header, const OrderWork& order, const ItemWork& item);
    // Sets PriceOverride of an already saved line item.
    void priceOverride(const CallHeader& header, int source, int orderSeqNumber, int itemSeqNumber,
                       const QString& price);

    // Batch mode stores no rows: there is no Calls row to find or complete.
    bool batchMode() const;
    // How the call's row was judged when saveCall inserted one; unset when no row was inserted.
    std::optional<bool> judgedGood() const { return m_judgedGood; }

private:
    static QString errorPrefix(const char* step, const CallHeader& header);
    // The call's number, read from its header once: a saver serves one call, with one header.
    int callNumberOf(const CallHeader& header);
    void logError(const QString& text);

    AppContext& m_ctx;
    bool m_validationMode;
    QString m_cutShort;
    std::optional<bool> m_judgedGood;
    std::optional<int> m_callNumber;
    QString m_itemNumber; // the last line item's, written over for the next
};

} // namespace vrq
