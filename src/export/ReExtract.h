#pragma once

#include "platform/Result.h"
#include "store/StoreRecords.h"

namespace vrq {

struct AppContext;

// Re-Extract: a call already sent is marked not extracted, so that the next export pass sends its orders
// to the host again under a new number. The person has been asked before this runs; the window shows
// what it gives back.
class ReExtract {
public:
    explicit ReExtract(AppContext& ctx) : m_ctx(ctx) {}

    // Marks the call and writes its "I" entry; the calls window shows it as a good call again. NotFound
    // when the call has gone from the store (nothing to send again, nothing written); a failure of the
    // store is written as an "E" entry and handed back.
    Result markToSendAgain(const CallKey& call);

private:
    AppContext& m_ctx;
};

} // namespace vrq
