#include "graphs/NumEdit.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <algorithm>

namespace lux {

NumEdit::NumEdit(QWidget* parent) : QDoubleSpinBox(parent) {
  // Readings reach 1000000 (the overload value); leave room around them for the user's ranges.
  setRange(-1e12, 1e12);
  setKeyboardTracking(false);
  setDecimals(6);
  setFormat(QStringLiteral("0"));
}

void NumEdit::setFormat(const QString& format) {
  format_ = format;
  fixedDecimals_ = 0;
  hashDecimals_ = 0;
  const qsizetype point = format.indexOf(QLatin1Char('.'));
  if (point >= 0) {
    for (qsizetype i = point + 1; i < format.size(); ++i) {
      if (format[i] == QLatin1Char('0'))
        ++fixedDecimals_;
      else if (format[i] == QLatin1Char('#'))
        ++hashDecimals_;
    }
  }
  // The value keeps more precision than the format shows, so that a format set after the
  // value (as the viewer's filler does) does not round the value itself.
  if (decimals() < fixedDecimals_ + hashDecimals_) setDecimals(fixedDecimals_ + hashDecimals_);
  // The shown text depends on the format even when the value stays the same.
  lineEdit()->setText(textFromValue(value()));
}

QString NumEdit::textFromValue(double value) const {
  const int decimals = fixedDecimals_ + hashDecimals_;
  QString text = locale().toString(value, 'f', decimals);
  text.remove(locale().groupSeparator());
  if (hashDecimals_ > 0) {
    const QString point = locale().decimalPoint();
    const qsizetype at = text.indexOf(point);
    if (at >= 0) {
      qsizetype end = text.size();
      const qsizetype minEnd = at + point.size() + fixedDecimals_;
      while (end > minEnd && text[end - 1] == QLatin1Char('0')) --end;
      if (end == at + point.size()) end = at;  // no decimals left: drop the point too
      text.truncate(end);
    }
  }
  if (text == QLatin1String("-0")) text = QStringLiteral("0");
  return text;
}

int NumEdit::spareWidth() const {
  // QAbstractSpinBox sizes itself for the texts of both ends of the range (each cut to 18
  // characters) plus a space.
  const QFontMetrics fm(font());
  const QString space = QStringLiteral(" ");
  const int ends = std::max(fm.horizontalAdvance(textFromValue(minimum()).left(18) + space),
                            fm.horizontalAdvance(textFromValue(maximum()).left(18) + space));
  const int reading = fm.horizontalAdvance(QStringLiteral("-1000000.000") + space);
  return std::max(0, ends - reading);
}

QSize NumEdit::sizeHint() const {
  QSize s = QDoubleSpinBox::sizeHint();
  s.setWidth(s.width() - spareWidth());
  return s;
}

QSize NumEdit::minimumSizeHint() const {
  QSize s = QDoubleSpinBox::minimumSizeHint();
  s.setWidth(s.width() - spareWidth());
  return s;
}

}  // namespace lux
