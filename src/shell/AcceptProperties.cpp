#include "shell/AcceptProperties.h"

#include "context/AppContext.h"
#include "settings/PropertiesEntries.h"
#include "settings/SettingsStore.h"
#include "store/AuditLog.h"

namespace vrq {

void acceptProperties(AppContext& ctx, const PropertiesEntries& entries,
                      const std::function<void()>& purgeNow) {
    const bool shortened = storeProperties(entries, ctx.settings);
    if (ctx.settingsStore)
        ctx.settingsStore->save(ctx.settings);
    if (ctx.audit)
        ctx.audit->write(AuditType::Properties, QStringLiteral("Properties edited."));
    if (shortened && purgeNow)
        purgeNow();
}

} // namespace vrq
