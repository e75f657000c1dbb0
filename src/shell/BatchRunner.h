#pragma once

#include <QStringList>

namespace vrq {

struct AppContext;

// Batch mode: tests the file named by the second argument in validation mode, without windows, and
// gives the process exit code: 0 when it passed, -1 otherwise.
class BatchRunner {
public:
    static int run(const QStringList& arguments);

    // The command-line file intake: true when the last call readStandardCall parsed passed (or none
    // was parsed). Sets validation mode for its run and clears it again, also after an error.
    static bool processCommandLineFile(AppContext& ctx, const QString& path);
};

} // namespace vrq
