#pragma once

namespace vrq {

// The two modes without windows: one unattended pass, and the resident cycle as a service.
class HeadlessRunner {
public:
    // Start-up, one intake, one scan, the export, the purge when due, shutdown, then the summary line on
    // stdout. The exit code is one of ExitCode: what the summary says, or why the pass did not run. A stop
    // signal (SIGTERM, SIGINT, SIGHUP) skips the steps not yet begun.
    static int runOnce();
    // The cycle on its one-second timer until SIGTERM, SIGINT or SIGHUP, then the normal shutdown. The
    // summary line is printed at the start and after every tick that changed it.
    static int runService();
};

} // namespace vrq
