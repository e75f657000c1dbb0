#pragma once

#include <functional>

namespace vrq {

struct AppContext;
struct PropertiesEntries;

// OK after the checks: stores the entries, saves the whole record, logs "Properties edited." and, when
// the history was shortened, hands over to purgeNow.
void acceptProperties(AppContext& ctx, const PropertiesEntries& entries,
                      const std::function<void()>& purgeNow);

} // namespace vrq
