#pragma once
// The program's toolbar and button icons, one QIcon per picture for the program's life.
//
// Every QIcon made from an SVG file is an icon engine of its own, and the engine files what it
// draws in the pixmap cache under its own serial number. A window that makes its icons afresh
// each time it opens (the live list opens again with every file of a recording), or a button
// whose icon is set anew with every record, leaves behind pictures that nothing draws again,
// until the cache is full: resident memory grew for half an hour that way. One icon per file
// name draws each picture once per size and state.
#include <QIcon>
#include <QString>

namespace lux {

// The icon of a picture in the program's resources (":/icons/save.svg"); the same file name
// gives the same icon, with the pictures it has already drawn.
QIcon resourceIcon(const QString& path);

}  // namespace lux
