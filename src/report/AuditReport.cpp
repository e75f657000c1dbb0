#include "report/AuditReport.h"

#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/PrintableText.h"
#include "platform/SettingsBackend.h"
#include "report/ReportCommandLine.h"
#include "settings/SettingsStore.h"
#include "store/Store.h"
#include "store/StoreDates.h"

#include <QTextStream>

namespace vrq {

QString auditReportLine(const AuditRow& entry, bool withWorkstation) {
    const QString type = entry.type.isEmpty() ? QStringLiteral(" ") : entry.type;
    const QString workstation =
        withWorkstation ? QStringLiteral("%1  ").arg(entry.workstation, 2) : QString();
    // One entry is one line whatever its message holds: a newline from a file name cannot forge another.
    return storeDateText(entry.auditDnt) + QStringLiteral("  ") + printableText(type) + QStringLiteral("  ") +
           workstation + printableText(entry.msg);
}

namespace {

// The store the settings name: the program folder's file, or the PostgreSQL database of [Store], as the
// workstation --workstation names. Opened read-only, a store claims no workstation: any number may be read.
StoreLocation reportStoreLocation(const ReportCommand& command) {
    const std::unique_ptr<SettingsBackend> backend = SettingsBackend::openDefault();
    const SystemClock clock;
    Settings settings;
    SettingsStore(*backend, clock).load(settings);
    StoreLocation location = StoreLocation::fromSettings(settings, programFolderPath());
    if (command.workstation > 0 && location.backend == StoreBackend::PostgreSQL)
        location.workstation = command.workstation;
    return location;
}

} // namespace

QString reportStoreName(const ReportCommand& command) {
    const StoreLocation location = reportStoreLocation(command);
    if (location.backend == StoreBackend::PostgreSQL && command.allWorkstations)
        return QStringLiteral("The PostgreSQL store of all workstations");
    if (location.backend == StoreBackend::PostgreSQL)
        return QStringLiteral("The PostgreSQL store of workstation %1").arg(location.workstation);
    return QStringLiteral("The call store ") + location.path;
}

QString reportWorkstationError(const ReportCommand& command) {
    if (command.workstation <= 1)
        return {};
    const StoreLocation location = reportStoreLocation(command);
    if (location.backend == StoreBackend::PostgreSQL)
        return {};
    return QStringLiteral("--workstation %1: the call store %2 is of workstation 1 alone.")
        .arg(command.workstation)
        .arg(location.path);
}

std::unique_ptr<Store> openReportStore(const ReportCommand& command, QTextStream& err) {
    Result opened;
    std::unique_ptr<Store> store = openStore(reportStoreLocation(command), StoreAccess::ReadOnly, &opened);
    if (!store)
        err << reportStoreName(command) << " cannot be read: " << opened.message << '\n';
    return store;
}

ViewScope reportScope(const ReportCommand& command, Store& store) {
    return command.allWorkstations && store.viewers().sharedByWorkstations() ? ViewScope::AllWorkstations
                                                                             : ViewScope::ThisWorkstation;
}

int runAuditReport(const ReportCommand& command, QTextStream& out, QTextStream& err) {
    std::unique_ptr<Store> store = openReportStore(command, err);
    if (!store)
        return ReportExit::kStoreUnreadable;
    AuditFilter filter;
    filter.type = command.auditType;
    filter.from = command.since;
    // A terminal shows the end of what was printed: the newest entries belong there.
    filter.newestFirst = false;
    filter.scope = reportScope(command, *store);
    Result read;
    const std::vector<AuditRow> entries = store->audit().auditEntries(filter, &read);
    if (!read.ok()) {
        err << reportStoreName(command) << " cannot be read: " << read.message << '\n';
        return ReportExit::kStoreUnreadable;
    }
    for (const AuditRow& entry : entries)
        out << auditReportLine(entry, filter.scope == ViewScope::AllWorkstations) << '\n';
    if (entries.empty())
        err << "No audit entries match.\n";
    return ReportExit::kOk;
}

} // namespace vrq
