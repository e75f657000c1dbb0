#include "report/AuditReport.h"

#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/PrintableText.h"
#include "platform/SettingsBackend.h"
#include "report/ReportCommandLine.h"
#include "settings/SettingsStore.h"
#include "store/Store.h"
#include "store/StoreDates.h"

#include <QDir>
#include <QTextStream>

namespace vrq {

QString auditReportLine(const AuditRow& entry) {
    const QString type = entry.type.isEmpty() ? QStringLiteral(" ") : entry.type;
    // One entry is one line whatever its message holds: a newline from a file name cannot forge another.
    return storeDateText(entry.auditDnt) + QStringLiteral("  ") + printableText(type) + QStringLiteral("  ") +
           printableText(entry.msg);
}

QString reportStorePath() {
    return QDir(programFolderPath()).filePath(QString::fromLatin1(kStoreFileName));
}

namespace {

// Whether the settings name a store on a database server, which this report cannot read yet: better
// told so than shown the embedded file the site no longer uses.
bool settingsNameADatabaseServer() {
    const std::unique_ptr<SettingsBackend> backend = SettingsBackend::openDefault();
    const SystemClock clock;
    Settings settings;
    SettingsStore(*backend, clock).load(settings);
    return settings.storeBackend == StoreBackend::PostgreSQL;
}

} // namespace

std::unique_ptr<Store> openReportStore(QTextStream& err) {
    if (settingsNameADatabaseServer()) {
        err << "The settings name a PostgreSQL store ([Store] Backend); this build reads only the SQLite "
               "store.\n";
        return nullptr;
    }
    const QString storePath = reportStorePath();
    Result opened;
    std::unique_ptr<Store> store = openStoreFile(storePath, StoreAccess::ReadOnly, &opened);
    if (!store)
        err << "The call store " << storePath << " cannot be read: " << opened.message << '\n';
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
        err << "The audit log in " << reportStorePath() << " cannot be read: " << read.message << '\n';
        return ReportExit::kStoreUnreadable;
    }
    for (const AuditRow& entry : entries)
        out << auditReportLine(entry) << '\n';
    if (entries.empty())
        err << "No audit entries match.\n";
    return ReportExit::kOk;
}

} // namespace vrq
