#include "ui/ProgramIcon.h"

// Registers the icons' resource; a resource compiled into a static library is not registered by itself.
static void registerProgramIcons() {
    Q_INIT_RESOURCE(program_icons);
}

namespace vrq {

QIcon programIcon() {
    static const QIcon icon = [] {
        registerProgramIcons();
        QIcon drawn;
        for (int size : {16, 24, 32, 48, 64, 128, 256})
            drawn.addFile(QStringLiteral(":/icons/vrqtoqx7-%1.png").arg(size), QSize(size, size));
        return drawn;
    }();
    return icon;
}

} // namespace vrq
