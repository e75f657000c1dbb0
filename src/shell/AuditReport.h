#pragma once

#include "store/StoreRecords.h"

#include <vector>

class QTextStream;

namespace vrq {

class CallStore;
struct ReportCommand;

// vrqtoqx7-report --audit: the audit log of the program folder's store as text on out, one entry a
// line, oldest first. Reads the store only. Returns the exit code (ReportExit); messages go to err.
int runAuditReport(const ReportCommand& command, QTextStream& out, QTextStream& err);

// One entry as a line: "2026-03-10 14:07:30  E  Network connection established."
QString auditReportLine(const AuditRow& entry);

} // namespace vrq
