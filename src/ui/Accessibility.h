#pragma once
// Screen readers and UI automation find controls by their accessible names: every control gets
// its caption, or failing that its tool-tip, unless it already has a name of its own. Secondary
// windows close on Esc, as desktop users expect.
#include <functional>

class QObject;
class QWidget;

namespace lux {

// Gives `root` and every widget below it that has no caption of its own (which Qt reads, live)
// an accessible name: a picture key's or control's tool-tip, else its objectName.
void nameForAccessibility(QWidget* root);

// Enter or Return on `target` (a grid row, a clickable figure or graph) runs `action`, as a click
// on it does, so keyboard users reach what the mouse reaches. The handler lives with `target`.
void onEnterKey(QWidget* target, std::function<void()> action);

// Installs an application-wide filter for as long as `mainWindow` lives: Esc closes the active
// secondary window (never `mainWindow`), Enter presses the focused toolbar or window button, and
// every window that is shown gets its toolbar buttons into the Tab chain and is named for
// accessibility first.
void installKeyboardConveniences(QWidget* mainWindow);

}  // namespace lux
