#pragma once
// The meter's settings and keys as luxpanel-cli's "set" and "press" change them, on any link
// (the tests' simulated meter and scripted port too). The exchanges are the panel's own.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

#include "link/DisplayState.h"
#include "link/MeterLink.h"
#include "settings/KeypadKeys.h"

namespace lux::cli {

// What "set WHAT VALUE..." asks for, judged before the meter is asked anything.
struct SettingRequest {
  enum class Kind { None, Hold, Distance, Comparator, Sampling };
  enum class Unit { Meter, Lux, FootCandle };
  Kind kind = Kind::None;
  QString refusal;          // why the request cannot be sent (a usage error); empty when it can
  QByteArray payload;       // hold, distance, sampling: the bytes behind the letter
  QString shown;            // the value as it is set ("05:07", "00.50", "03:00")
  int high = 0, low = 0;    // comparator limits, 0..9999
  Unit unit = Unit::Meter;  // comparator: --unit, or the meter's own
  int range = 0;            // comparator: --range 1..6, or 0 for the meter's own
};

// Reads the positional words after "set" ("hold", "5:7") and the comparator's --unit/--range.
SettingRequest parseSettingRequest(const QStringList& words, const QString& unit = {},
                                   const QString& range = {});
// A range the comparator window does not offer for the unit: lux has no range 1,
// foot-candles no range 6.
std::optional<QString> comparatorRangeRefusal(bool lux, int range);

enum class SettingOutcome { Done, Refused, NoAnswer };

// Runs the panel's exchange for the request.
SettingOutcome applySetting(MeterLink& link, const SettingRequest& request,
                            QString* refusal = nullptr);
// Presses one keypad key; `display` (when known) carries INTV, which refuses most keys.
SettingOutcome pressKey(MeterLink& link, KeypadKey key, const DisplayState* display,
                        QString* refusal = nullptr);

}  // namespace lux::cli
