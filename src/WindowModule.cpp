#include "WindowModule.h"

#include "ui/WindowMode.h"

#include <QApplication>

// The entry point the program looks up after loading this module.
extern "C" Q_DECL_EXPORT int vrqRunWindowMode(int argc, char** argv) {
    QApplication app(argc, argv);
    vrq::WindowMode mode;
    return mode.run();
}
