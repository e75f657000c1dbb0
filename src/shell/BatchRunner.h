#pragma once

#include <QStringList>

namespace vrq {

// Batch mode: tests the file named by the second argument in validation mode, without windows, and
// gives the process exit code: 0 when it passed, -1 otherwise.
class BatchRunner {
public:
    static int run(const QStringList& arguments);
};

} // namespace vrq
