#pragma once

#include "store/StoreRecords.h"
#include "store/ViewScope.h"

#include <memory>
#include <vector>

class QTextStream;

namespace vrq {

class Store;
struct ReportCommand;

// The store the settings name, as the reports' messages name it: "The call store <file>", or the
// PostgreSQL store of the workstation the command line or the settings name, or of all of them.
QString reportStoreName(const ReportCommand& command);
// Why the command's --workstation cannot be read from the store the settings name (a store in a file
// is workstation 1 alone); empty when it can. A usage error: the report exits with kBadArguments.
QString reportWorkstationError(const ReportCommand& command);
// That store opened read-only for a report, as the workstation the command names (or the settings); null
// after a message on err when it cannot be read (the report then exits with ReportExit::kStoreUnreadable).
std::unique_ptr<Store> openReportStore(const ReportCommand& command, QTextStream& err);
// Which workstations' rows the command asks for, of the store openReportStore opened: all of them only
// where there are several (a store in a file is one, and its lines name none).
ViewScope reportScope(const ReportCommand& command, Store& store);

// vrqtoqx7-report --audit: the audit log of the program folder's store as text on out, one entry a
// line, oldest first. Reads the store only. Returns the exit code (ReportExit); messages go to err.
int runAuditReport(const ReportCommand& command, QTextStream& out, QTextStream& err);

// One entry as a line: "2026-03-10 14:07:30  E  Network connection established."; withWorkstation: its
// workstation between type and message, two wide ("2026-03-10 14:07:30  E   3  Network ...").
QString auditReportLine(const AuditRow& entry, bool withWorkstation = false);

} // namespace vrq
