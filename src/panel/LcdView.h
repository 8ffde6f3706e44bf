#pragma once
// The picture of the meter's LCD on the panel: digits, points, unit and mode annunciators, the
// SET UP banner and the status row, each a child named as on the meter's picture ("MainDigit3",
// "LblFc", "ImgRel", ...). It shows a display state; it knows nothing of the link or the timers.
#include <QHash>
#include <QLabel>
#include <QString>
#include <QWidget>
#include <array>

#include "link/DisplayState.h"
#include "ui/ClickableLabel.h"

class QFrame;

namespace lux {

class LcdView : public QWidget {
  Q_OBJECT
 public:
  // Inner area of the LCD picture, in twips.
  static constexpr int kWidthTwips = 7200;
  static constexpr int kHeightTwips = 5415;
  // The characters a digit cell can be asked to show (blank is an empty cell): main and memory
  // digits show the overload "OL" too, secondary digits every hexadecimal digit.
  static constexpr const char* kMainGlyphs = "0123456789ABCDEFOL-";
  static constexpr const char* kSecondaryGlyphs = "0123456789ABCDEF-";

  explicit LcdView(QWidget* parent = nullptr);

  // The banner (SET UP, CLEAR, RS232) when the state asks for one: true when it is up, and then
  // nothing else on the picture changes. Otherwise hides the banner and returns false.
  bool showBanner(const DisplayState& d);
  // Memory, main and secondary digits.
  void showDigits(const DisplayState& d);
  // Every annunciator, points and unit marks included, each shown exactly when its flag is.
  void showAnnunciators(const DisplayState& d);

  // An element by its objectName; null for a name the picture does not have.
  QWidget* element(const QString& name) const { return elements_.value(name, nullptr); }
  QLabel* mainDigit(int i) const { return mainDigit_[static_cast<size_t>(i)]; }
  // The banner's caption while it is up, else empty.
  QString bannerText() const;
  void setPortCaption(const QString& caption);
  QString portCaption() const;
  // A note in plain words in the status row, beside the recording count (the meter is not
  // answering...), with a longer explanation as its tool-tip; an empty note hides it.
  void setStatusNote(const QString& note, const QString& explanation = {});
  QString statusNote() const;
  // Where the panel's readings are published to ("Publishing", "Broker unreachable: ..."), in
  // the same place of the status row; the note about the meter or the port goes first while
  // there is one, since without the meter nothing is published. Empty: publishing is off.
  void setPublishNote(const QString& note, const QString& explanation = {});
  QString publishNote() const { return publishNote_; }

 signals:
  // A left click on the port caption LblCOM.
  void portCaptionClicked();

 private:
  // A label of the picture; `label` is a ready-made one (a clickable caption), else a plain one.
  QLabel* addLabel(const QString& name, const QString& text, int left, int top, double points,
                   QLabel* label = nullptr);
  QLabel* addDigitCell(const QString& name, int left, int top, double points, const char* glyphs,
                       int count);
  QLabel* addPoint(const QString& name, const QString& text, int left, int top, double points,
                   int nextDigitLeft, int digitPitch);
  QLabel* addImage(const QString& name, const QString& resource, int left, int top, int width,
                   int height);
  void build();
  void showUnitMarks(const DisplayState& d);
  void setShown(const char* name, bool visible);

  QFrame* shapeSetUp_ = nullptr;
  QLabel* lblSetUp_ = nullptr;
  ClickableLabel* lblCom_ = nullptr;
  QLabel* lblNote_ = nullptr;
  QLabel* lblPublish_ = nullptr;
  QString publishNote_;
  void fitNote(QLabel* label, const QString& note);
  void showPublishNote();
  std::array<QLabel*, 6> mainDigit_{};
  std::array<QLabel*, 4> timeDigit_{};
  QLabel* memoryDigit_ = nullptr;
  QHash<QString, QWidget*> elements_;
};

}  // namespace lux
