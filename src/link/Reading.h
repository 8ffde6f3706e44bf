#pragma once
// One fresh reading as the meter showed it, handed from the meter's session to whoever consumes
// readings (the panel, the recorder, luxpanel-cli, a publisher, a survey). A value type: it keeps
// nothing of the display state it was taken from, so a consumer may hold it as long as it likes.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "link/DisplayState.h"

namespace lux {

// Foot-candles to lux, for consumers that report everything in lux.
inline constexpr double kLuxPerFootCandle = 10.7639;

struct Reading {
  // The reading in the unit shown, signed (the minus annunciator is part of the reading).
  double value = 0.0;
  // The reading as the meter shows it, sign included ("-5.0"), or "OL" on overload.
  QString text;
  // "Lx", "Fc", or empty where the meter shows no illuminance unit (candela, hour units).
  QString unit;
  bool overload = false;
  bool negative = false;
  bool banner = false;  // SET UP, CLEAr or rs232 on the LCD: no reading at all
  // The mode annunciators lit with the reading, as the meter names them.
  bool rel = false, ref = false, percent = false, hold = false, timeHold = false, avg = false,
       comp = false, candela = false, fcHour = false, lxHour = false;
  // The PC time at which the frame was decoded.
  QDateTime pcTime;
  // Counts the session's decoded frames; a consumer that sees the same number twice has seen
  // the same reading twice.
  std::uint64_t frameNumber = 0;

  // The value in lux where the meter shows an illuminance; false for anything else.
  bool inLux(double* lux) const {
    if (overload || banner) return false;
    if (unit == QLatin1String("Lx")) {
      *lux = value;
      return true;
    }
    if (unit == QLatin1String("Fc")) {
      *lux = value * kLuxPerFootCandle;
      return true;
    }
    return false;
  }
  // True while the reading is a plain illuminance: no relative, reference, percent, candela or
  // hour mode on the LCD.
  bool plainIlluminance() const {
    return !banner && !rel && !ref && !percent && !candela && !fcHour && !lxHour;
  }
  // The lit modes by the names the meter's LCD gives them, for files and messages.
  QStringList modeNames() const {
    QStringList m;
    if (rel) m << QStringLiteral("REL");
    if (ref) m << QStringLiteral("REF");
    if (percent) m << QStringLiteral("%");
    if (hold) m << QStringLiteral("HOLD");
    if (timeHold) m << QStringLiteral("TIME HOLD");
    if (avg) m << QStringLiteral("AVG");
    if (comp) m << QStringLiteral("COMP");
    if (candela) m << QStringLiteral("cd");
    if (fcHour) m << QStringLiteral("fc-h");
    if (lxHour) m << QStringLiteral("lx-h");
    return m;
  }

  // The reading the display state holds now, stamped with `pcTime`.
  static Reading fromDisplay(const DisplayState& d, const QDateTime& pcTime) {
    Reading r;
    r.overload = d.mainValueText == "OL";
    r.negative = d.annNegative && !r.overload && !d.mainValueText.empty();
    r.text = QString::fromStdString(d.mainValueText);
    if (r.negative) r.text.prepend(QLatin1Char('-'));
    r.value = r.overload ? 0.0 : (r.negative ? -double(d.mainValue) : double(d.mainValue));
    r.unit = QString::fromStdString(d.unitText);
    r.banner = d.bannerShown();
    r.rel = d.annRel;
    r.ref = d.annRef;
    r.percent = d.annUpperPercent;
    r.hold = d.annHold;
    r.timeHold = d.annTimeHold;
    r.avg = d.annUpperAvg;
    r.comp = d.annComp;
    r.candela = d.annCd;
    r.fcHour = d.annFcHour;
    r.lxHour = d.annLxHour;
    r.pcTime = pcTime;
    r.frameNumber = d.framesDecoded;
    return r;
  }
};

}  // namespace lux
