#pragma once

#include "context/RunStatus.h"

#include <QString>
#include <optional>

namespace vrq {

// The one line a headless run prints about what it did, and the exit code of a single pass, both read
// from the run's status record and the number of calls still waiting to be sent (unknown when the
// store could not count them).
struct RunSummary {
    RunStatus status;
    std::optional<int> pendingCalls;

    // "calls good 3, bad 1; scanned files taken 0; order files written 3; calls pending 0;
    //  failed steps 0; host folder /srv/qx7 reachable" (or "away since 2026-12-06 08:14:05"), then
    //  "; DataBin.Dat cannot be opened (...)" while it cannot and "; no call is taken in or sent (...)"
    //  while the store keeps no writes.
    QString line() const;
    // What cron or a service manager should hear of a single pass (see ExitCode).
    int exitCode() const;
};

} // namespace vrq
