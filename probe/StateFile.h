#pragma once
// End-to-end checks and measurements read the panel from a small file instead of the screen: the
// file is rewritten (a temporary file renamed into place, so a reader never sees half of it)
// every time the panel's picture, caption or title changes, as key=value lines: caption
// (LblCOM), title, banner (empty when none), mainValueText, unitText, mainDigit0..5 (the
// captions of the main digits), frames (frames decoded so far).
#include <QObject>
#include <QString>

namespace lux {
class Panel;
struct DisplayState;
}  // namespace lux

namespace lux::probe {

class StateFile : public QObject {
 public:
  // Follows `panel`, which shows `display`, for as long as it lives (it owns this object).
  StateFile(Panel& panel, const DisplayState& display, QString path);
  // The text the file holds after the last change.
  QString text() const;
  void write() const;

 private:
  Panel& panel_;
  const DisplayState& display_;
  QString path_;
};

}  // namespace lux::probe
