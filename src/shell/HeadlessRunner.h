#pragma once

namespace vrq {

// The two modes without windows: one unattended pass, and the resident cycle as a service.
class HeadlessRunner {
public:
    // Start-up, one intake, one scan, the export, the purge when due, shutdown. 0 when the pass ran,
    // 1 when start-up failed, ExitCode::FolderInUse when another copy runs for the program folder.
    static int runOnce();
    // The cycle on its one-second timer until SIGTERM or SIGINT, then the normal shutdown.
    static int runService();
};

} // namespace vrq
