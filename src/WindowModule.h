#pragma once

// Window mode is built as a module of its own (vrqtoqx7-windows.so) that the program loads only when it
// opens its windows. It is found beside the program (the build folder) or in the program's own folder of
// the library tree (an installation).
#define VRQ_WINDOW_MODULE_NAME "vrqtoqx7-windows.so"
#define VRQ_WINDOW_MODULE_INSTALLED_DIR "../lib/vrqtoqx7"
#define VRQ_WINDOW_MODULE_ENTRY "vrqRunWindowMode"

// Builds QApplication, runs the windows until the Calls window closes, returns the exit code.
extern "C" int vrqRunWindowMode(int argc, char** argv);
