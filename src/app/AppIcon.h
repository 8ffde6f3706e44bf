#pragma once
// The program's icon (the meter's face), drawn from its SVG at the sizes desktops ask for.
#include <QIcon>

namespace lux {

// The installed theme icon where the desktop has one, else the built-in drawing; never null.
QIcon applicationIcon();

}  // namespace lux
