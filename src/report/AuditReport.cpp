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

QString auditReportLine(const AuditRow& entry) {
    const QString type = entry.type.isEmpty() ? QStringLiteral(" ") : entry.type;
    // One entry is one line whatever its message holds: a newline from a file name cannot forge another.
    return storeDateText(entry.auditDnt) + QStringLiteral("  ") + printableText(type) + QStringLiteral("  ") +
           printableText(entry.msg);
}

namespace {

// The store the settings name: the program folder's file, or the PostgreSQL database of [Store].
StoreLocation reportStoreLocation() {
    const std::unique_ptr<SettingsBackend> backend = SettingsBackend::openDefault();
    const SystemClock clock;
    Settings settings;
    SettingsStore(*backend, clock).load(settings);
    return StoreLocation::fromSettings(settings, programFolderPath());
}

} // namespace

QString reportStoreName() {
    const StoreLocation location = reportStoreLocation();
    if (location.backend == StoreBackend::PostgreSQL)
        return QStringLiteral("The PostgreSQL store of workstation %1").arg(location.workstation);
    return QStringLiteral("The call store ") + location.path;
}

std::unique_ptr<Store> openReportStore(QTextStream& err) {
    Result opened;
    std::unique_ptr<Store> store = openStore(reportStoreLocation(), StoreAccess::ReadOnly, &opened);
    if (!store)
        err << reportStoreName() << " cannot be read: " << opened.message << '\n';
    return store;
}

int runAuditReport(const ReportCommand& command, QTextStream& out, QTextStream& err) {
    std::unique_ptr<Store> store = openReportStore(err);
    if (!store)
        return ReportExit::kStoreUnreadable;
    AuditFilter filter;
    filter.type = command.auditType;
    filter.from = command.since;
    // A terminal shows the end of what was printed: the newest entries belong there.
    filter.newestFirst = false;
    Result read;
    const std::vector<AuditRow> entries = store->audit().auditEntries(filter, &read);
    if (!read.ok()) {
        err << reportStoreName() << " cannot be read: " << read.message << '\n';
        return ReportExit::kStoreUnreadable;
    }
    for (const AuditRow& entry : entries)
        out << auditReportLine(entry) << '\n';
    if (entries.empty())
        err << "No audit entries match.\n";
    return ReportExit::kOk;
}

} // namespace vrq
