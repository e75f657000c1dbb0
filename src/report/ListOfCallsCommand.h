#pragma once

#include <QStringList>

class QTextStream;

namespace vrq {

class Clock;

// vrqtoqx7-report: the list of calls of the program folder's store, printed or saved as a PDF without any
// window. Reads the store only. Returns the exit code (ReportExit); messages go to err.
int runListOfCallsCommand(const QStringList& arguments, const Clock& clock, QTextStream& out,
                          QTextStream& err);

} // namespace vrq
