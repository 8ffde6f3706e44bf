#pragma once
// The picture gallery of the README: with LUXPANEL_SCREENSHOTS=DIR set, the running program opens
// each of its windows in turn through its own commands, saves a picture of every one as
// DIR/<window>.png (lower-case window name: panel.png, memory.png, ...), and then closes the main
// panel, which ends the program. Without the variable nothing happens.
#include <QString>

namespace lux {

struct Context;

// Starts the gallery on `ctx` when LUXPANEL_SCREENSHOTS names a folder; returns whether it did.
// Call once the main panel has started up. Progress and failures go to standard error.
bool startGalleryIfAsked(Context& ctx);

// Starts the gallery into `folder` (created when missing).
void startGallery(Context& ctx, const QString& folder);

}  // namespace lux
