#pragma once

#include <QIcon>

namespace vrq {

// The program's icon (dist/vrqtoqx7.svg drawn at the usual icon sizes), built into the program. Every
// window and the About box show it.
QIcon programIcon();

} // namespace vrq
