#pragma once
// The picture gallery of the README: the running program opens each of its windows in turn
// through its own commands, saves a picture of every one as DIR/<window>.png (lower-case window
// name: panel.png, memory.png, ...), and then closes the main panel, which ends the program.
// The first message box and input box it answers are taken as message.png and input.png.

#include <QString>

namespace lux {
struct AppContext;
}

namespace lux::probe {

// Starts the gallery into `folder` (created when missing). Call once the main panel has started
// up. Progress and failures go to standard error.
void startGallery(AppContext& ctx, const QString& folder);

}  // namespace lux::probe
