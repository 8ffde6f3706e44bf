#pragma once
// Finding a window of one kind that is already open, so that a command shows that one instead
// of opening a second. Windows parented to the panel (kept above it) are looked at first, then
// the program's top-level windows.
#include <QApplication>
#include <QWidget>

namespace lux {

// The first window of kind W under `owner` (may be null) or among the top-level windows that
// `accept` takes; null when there is none.
template <class W, class Accept>
W* findOpenWindow(const QWidget* owner, Accept&& accept) {
  if (owner)
    for (W* w : owner->findChildren<W*>())
      if (accept(w)) return w;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (auto* w = qobject_cast<W*>(top); w && accept(w)) return w;
  return nullptr;
}

}  // namespace lux
