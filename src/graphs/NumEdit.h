#pragma once
// The numeric range edits of the graph viewer: a spin box with a display format such as
// "0.###" (up to three decimals, no trailing zeros) or "0" (whole numbers), a step, and a
// value-changed signal that fires only when the user (or the program) really changes it.
#include <QDoubleSpinBox>
#include <QString>

namespace lux {

class NumEdit : public QDoubleSpinBox {
  Q_OBJECT
 public:
  explicit NumEdit(QWidget* parent = nullptr);

  // "0", "0.#", "0.##", "0.###" ...: the count of '#' (or '0') after the point gives the
  // decimals shown; trailing zeros of '#' places are dropped.
  void setFormat(const QString& format);
  QString format() const { return format_; }
  void setStep(double step) { setSingleStep(step); }

  QString textFromValue(double value) const override;
  // Wide enough for a reading with its decimals ("-1000000.000"), not for the far ends of the
  // range (±10^12), which would push the viewer's other controls off their place.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 private:
  QString format_ = QStringLiteral("0");
  int hashDecimals_ = 0;   // optional decimals
  int fixedDecimals_ = 0;  // decimals always shown
  // How much narrower a reading's text is than the widest text of the range.
  int spareWidth() const;
};

}  // namespace lux
