#include "WindowModule.h"

#include "ui/ProgramIcon.h"
#include "ui/WindowMode.h"

#include <QApplication>

// The entry point the program looks up after loading this module.
extern "C" Q_DECL_EXPORT int vrqRunWindowMode(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(vrq::programIcon()); // every window shows it
    vrq::WindowMode mode;
    return mode.run();
}
