#pragma once

#include "platform/Result.h"
#include "store/StoreRecords.h"

namespace vrq {

// The figures the About box and the status line show of the store.
class SummaryQueries {
public:
    virtual ~SummaryQueries() = default;

    virtual StoreSummary summary(Result* result = nullptr) = 0;
    // The summary's times alone (calls left at 0): what the status line needs at start-up.
    virtual StoreSummary loggedTimes(Result* result = nullptr) = 0;
};

} // namespace vrq
