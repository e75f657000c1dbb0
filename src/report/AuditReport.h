#pragma once

#include "store/StoreRecords.h"

#include <memory>
#include <vector>

class QTextStream;

namespace vrq {

class Store;
struct ReportCommand;

// The store the settings name, as the reports' messages name it: "The call store <file>", or the
// PostgreSQL store of this workstation.
QString reportStoreName();
// That store opened read-only for a report; null after a message on err when it cannot be read (the
// report then exits with ReportExit::kStoreUnreadable).
std::unique_ptr<Store> openReportStore(QTextStream& err);

// vrqtoqx7-report --audit: the audit log of the program folder's store as text on out, one entry a
// line, oldest first. Reads the store only. Returns the exit code (ReportExit); messages go to err.
int runAuditReport(const ReportCommand& command, QTextStream& out, QTextStream& err);

// One entry as a line: "2026-03-10 14:07:30  E  Network connection established."
QString auditReportLine(const AuditRow& entry);

} // namespace vrq
