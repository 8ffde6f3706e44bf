// set and press: the meter's settings and keys from a script, with the bytes, refusals and
// bounds of the panel's own inputs (the settings exchanges are the panel's, without windows).
#include <QByteArray>
#include <cstdio>
#include <string>

#include "cli/Common.h"
#include "cli/LiveMeter.h"
#include "cli/SettingsCommands.h"
#include "cli/Subcommands.h"
#include "link/Logging.h"
#include "link/Protocol.h"
#include "records/DataFormat.h"
#include "records/engine/LoggerSampling.h"
#include "settings/KeypadKeys.h"
#include "settings/MeterExchange.h"
#include "settings/SettingsPayloads.h"

namespace lux::cli {

namespace {

QByteArray bytes(const std::string& s) {
  return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

const char kSetUsage[] =
    "luxpanel-cli set (hold M:S | distance METRES | comparator HIGH LOW [--unit lx|fc] "
    "[--range N] | sampling M:S) (--port NAME | --simulate)";
const char kPressUsage[] = "luxpanel-cli press KEY (--port NAME | --simulate)";

QString keyNames() {
  QStringList names;
  for (const KeypadKeyInfo& k : kKeypadKeys)
    names << QString::fromLatin1(k.name.data(), static_cast<qsizetype>(k.name.size()));
  return names.join(QStringLiteral(", "));
}

// A whole number of 0..9999 as the comparator's four digit boxes spell it.
std::optional<int> limitValue(const QString& text) {
  if (text.isEmpty() || text.size() > 4) return std::nullopt;
  for (QChar c : text)
    if (!c.isDigit() || c.unicode() > '9') return std::nullopt;
  return text.toInt();
}

}  // namespace

SettingRequest parseSettingRequest(const QStringList& words, const QString& unit,
                                   const QString& range) {
  SettingRequest r;
  auto refuse = [&r](const QString& why) {
    r.refusal = why;
    return r;
  };
  if (words.isEmpty())
    return refuse(QStringLiteral("which setting? hold, distance, comparator or sampling"));
  const QString what = words.first();
  const QStringList values = words.mid(1);
  const int wanted = what == QLatin1String("comparator") ? 2 : 1;
  if (what != QLatin1String("hold") && what != QLatin1String("distance") &&
      what != QLatin1String("comparator") && what != QLatin1String("sampling"))
    return refuse(QStringLiteral("no setting is called '%1': hold, distance, comparator or "
                                 "sampling")
                      .arg(what));
  if (values.size() != wanted)
    return refuse(QStringLiteral("set %1 takes %2 value%3")
                      .arg(what)
                      .arg(wanted)
                      .arg(wanted == 1 ? QString() : QStringLiteral("s")));
  if ((!unit.isEmpty() || !range.isEmpty()) && what != QLatin1String("comparator"))
    return refuse(QStringLiteral("--unit and --range belong to set comparator"));
  const std::string text = values.first().toStdString();

  if (what == QLatin1String("hold")) {
    r.kind = SettingRequest::Kind::Hold;
    const HoldEntry e = parseHoldEntry(text);
    if (e.verdict == EntryVerdict::Negative)
      return refuse(QStringLiteral("a hold time is not negative: '%1'").arg(values.first()));
    if (e.verdict != EntryVerdict::Valid)
      return refuse(QStringLiteral("'%1' is not a hold time MM:SS").arg(values.first()));
    r.payload = bytes(encodeHoldPayload(e.minutes, e.seconds));
    r.shown = QStringLiteral("%1:%2")
                  .arg(e.minutes, 2, 10, QLatin1Char('0'))
                  .arg(e.seconds, 2, 10, QLatin1Char('0'));
  } else if (what == QLatin1String("distance")) {
    r.kind = SettingRequest::Kind::Distance;
    const DistanceEntry e = parseDistanceEntry(text);
    if (e.verdict == EntryVerdict::Negative)
      return refuse(QStringLiteral("a distance is not negative: '%1'").arg(values.first()));
    if (e.verdict != EntryVerdict::Valid)
      return refuse(QStringLiteral("'%1' is not a distance d.dd (0.01 to 9.99, with a point)")
                        .arg(values.first()));
    r.payload = bytes(encodeDistancePayload(e.hundredths));
    r.shown = QString::fromStdString(distanceDefaultText(static_cast<std::uint16_t>(e.hundredths)));
  } else if (what == QLatin1String("sampling")) {
    r.kind = SettingRequest::Kind::Sampling;
    const auto b = meterSamplingBytes(text);
    if (!b) return refuse(QStringLiteral("'%1' is not a sampling time MM:SS").arg(values.first()));
    r.payload.append(static_cast<char>(b->first));
    r.payload.append(static_cast<char>(b->second));
    r.shown = QString::fromStdString(hexPair(b->first) + ":" + hexPair(b->second));
  } else {
    r.kind = SettingRequest::Kind::Comparator;
    const auto high = limitValue(values.at(0));
    const auto low = limitValue(values.at(1));
    if (!high || !low)
      return refuse(QStringLiteral("the limits are the four digits of the comparator, 0 to "
                                   "9999: '%1' '%2'")
                        .arg(values.at(0), values.at(1)));
    r.high = *high;
    r.low = *low;
    if (unit == QLatin1String("lx")) {
      r.unit = SettingRequest::Unit::Lux;
    } else if (unit == QLatin1String("fc")) {
      r.unit = SettingRequest::Unit::FootCandle;
    } else if (!unit.isEmpty()) {
      return refuse(QStringLiteral("--unit is lx or fc, not '%1'").arg(unit));
    }
    if (!range.isEmpty()) {
      bool ok = false;
      r.range = range.toInt(&ok);
      if (!ok || r.range < 1 || r.range > 6)
        return refuse(QStringLiteral("--range is 1 to 6 (1 d.ddd, 2 dd.dd, 3 ddd.d, 4 dddd, "
                                     "5 dddd0, 6 dddd00), not '%1'")
                          .arg(range));
    }
  }
  return r;
}

std::optional<QString> comparatorRangeRefusal(bool lux, int range) {
  // The window offers lux the ranges 2 to 6 and foot-candles 1 to 5.
  if (lux && range == 1)
    return QStringLiteral("range 1 (d.ddd) is not offered in lux: lux takes 2 to 6");
  if (!lux && range == 6)
    return QStringLiteral("range 6 (dddd00) is not offered in foot-candles: they take 1 to 5");
  return std::nullopt;
}

SettingOutcome applySetting(MeterLink& link, const SettingRequest& r, QString* refusal) {
  switch (r.kind) {
    case SettingRequest::Kind::Hold:
      // As the panel's Hold: the meter back to its normal display, then "S" and the time.
      if (!backToNormalDisplay(link)) return SettingOutcome::NoAnswer;
      return sendToMeter(link, Command::SetHoldTime, r.payload) ? SettingOutcome::Done
                                                                : SettingOutcome::NoAnswer;
    case SettingRequest::Kind::Distance: {
      // As the panel's CD: the settings block is read (the panel proposes its distance), then
      // "I" and the new one.
      std::optional<SettingsBlock> block;
      if (backToNormalDisplay(link)) block = requestSettingsBlock(link);
      if (!block) return SettingOutcome::NoAnswer;
      return sendToMeter(link, Command::SetDistance, r.payload) ? SettingOutcome::Done
                                                                : SettingOutcome::NoAnswer;
    }
    case SettingRequest::Kind::Comparator: {
      // As the panel's Comp and the comparator window's Update: the window opens on the meter's
      // unit and range, the user changes what the options say, and Update sends the limits.
      std::optional<SettingsBlock> block;
      if (backToNormalDisplay(link)) block = requestSettingsBlock(link);
      if (!block) return SettingOutcome::NoAnswer;
      const bool lux = r.unit == SettingRequest::Unit::Meter ? block->lux()
                                                             : r.unit == SettingRequest::Unit::Lux;
      const int range = r.range > 0 ? r.range : comparatorOptionOf(*block);
      if (r.range > 0) {
        if (auto why = comparatorRangeRefusal(lux, r.range)) {
          if (refusal) *refusal = *why;
          return SettingOutcome::Refused;
        }
      }
      const QByteArray payload = bytes(encodeComparatorPayload(lux, range, r.high, r.low));
      return sendComparatorLimits(link, payload) ? SettingOutcome::Done : SettingOutcome::NoAnswer;
    }
    case SettingRequest::Kind::Sampling: {
      // As the sampling window's meter path: the meter's present time is read first.
      if (!requestLoggerSampling(link, MeterLink::kAnswerBound)) return SettingOutcome::NoAnswer;
      return sendLoggerSampling(link, static_cast<std::uint8_t>(r.payload.at(0)),
                                static_cast<std::uint8_t>(r.payload.at(1)))
                 ? SettingOutcome::Done
                 : SettingOutcome::NoAnswer;
    }
    case SettingRequest::Kind::None:
      break;
  }
  return SettingOutcome::Refused;
}

SettingOutcome pressKey(MeterLink& link, KeypadKey key, const DisplayState* display,
                        QString* refusal) {
  const KeypadKeyInfo& info = keypadKey(key);
  if (info.refusedWhileLogging && display && display->annIntv) {
    if (refusal)
      *refusal =
          QStringLiteral(
              "the meter's logger is recording (INTV): the key '%1' does "
              "nothing until it stops")
              .arg(QString::fromLatin1(info.name.data(), static_cast<qsizetype>(info.name.size())));
    return SettingOutcome::Refused;
  }
  if (key == KeypadKey::Cd)
    return resendMeterDistance(link) ? SettingOutcome::Done : SettingOutcome::NoAnswer;
  if (!info.letter) {
    if (refusal) *refusal = QStringLiteral("the SET key has no command on the line");
    return SettingOutcome::Refused;
  }
  // The power key's answer is the meter switching off or restarting: the panel then waits for
  // it to send again; a command-line run ends here and the next one finds it.
  return sendToMeter(link, *info.letter) ? SettingOutcome::Done : SettingOutcome::NoAnswer;
}

int runSet(const QStringList& arguments) {
  QCommandLineParser parser;
  MeterOptions meter;
  meter.addTo(parser);
  const QCommandLineOption unit(QStringLiteral("unit"),
                                QStringLiteral("comparator: the unit of the limits, lx or fc "
                                               "(default: the meter's)."),
                                QStringLiteral("lx|fc"));
  const QCommandLineOption range(
      QStringLiteral("range"),
      QStringLiteral("comparator: the range of the limits, 1 d.ddd, 2 dd.dd, 3 ddd.d, 4 dddd, "
                     "5 dddd0, 6 dddd00; lux takes 2-6, foot-candles 1-5 (default: the meter's)."),
      QStringLiteral("N"));
  parser.addOption(unit);
  parser.addOption(range);
  const int parsed = parseSubcommand(
      parser, arguments, QString::fromLatin1(kSetUsage),
      QStringLiteral(
          "Changes a setting of the meter as the panel does:\n"
          "  hold M:S        the hold time (minutes and seconds, each at most 59)\n"
          "  distance METRES the light-source distance for candela, 0.01 to 9.99 with a point\n"
          "                  (feet while the meter shows foot-candles); a whole part above 9 "
          "is 9\n"
          "  comparator HIGH LOW\n"
          "                  the comparator limits, the four digits 0..9999 of each; the range\n"
          "                  gives their decimal point or trailing zeros\n"
          "  sampling M:S    the logger's sampling time, at most 03:00 (seconds above 59 wrap)"),
      3, 2);
  if (parsed >= 0) return parsed;
  const SettingRequest request =
      parseSettingRequest(parser.positionalArguments(), parser.value(unit), parser.value(range));
  if (!request.refusal.isEmpty()) {
    complain(request.refusal);
    complain(QStringLiteral("usage: %1 (see --help)").arg(QString::fromLatin1(kSetUsage)));
    return kExitUsage;
  }

  LiveMeter live;
  const int opened = openMeter(live.session, parser, meter);
  if (opened >= 0) return opened;
  QString refusal;
  SettingOutcome outcome = SettingOutcome::NoAnswer;
  try {
    outcome = applySetting(live.session.link(), request, &refusal);
  } catch (const LinkAborted&) {
    return kExitFailure;
  }
  switch (outcome) {
    case SettingOutcome::Done:
      qCInfo(lcCli, "set %s sent", qUtf8Printable(parser.positionalArguments().first()));
      if (!request.shown.isEmpty())
        note(QStringLiteral("The meter's %1 is set to %2.\n")
                 .arg(parser.positionalArguments().first(), request.shown));
      else
        note(QStringLiteral("The meter's comparator limits are set.\n"));
      return kExitOk;
    case SettingOutcome::Refused:
      complain(refusal);
      return kExitUsage;
    case SettingOutcome::NoAnswer:
      break;
  }
  complain(noAnswerText(live.session));
  return kExitFailure;
}

int runPress(const QStringList& arguments) {
  QCommandLineParser parser;
  MeterOptions meter;
  meter.addTo(parser);
  const int parsed = parseSubcommand(
      parser, arguments, QString::fromLatin1(kPressUsage),
      QStringLiteral("Presses a key of the meter as the panel's keypad does. KEY is one of: ") +
          keyNames() +
          QStringLiteral(
              " (h is the hold key, mem and mmm record automatically and manually, enter the "
              "Enter key). While the meter's logger records (INTV) only power, time and enter "
              "are taken; power switches the meter off or restarts it."),
      1, 1);
  if (parsed >= 0) return parsed;
  const QString name = parser.positionalArguments().first();
  const auto key = keypadKeyNamed(name.toLower().toStdString());
  if (!key) {
    complain(QStringLiteral("no key is called '%1': %2").arg(name, keyNames()));
    return kExitUsage;
  }
  if (!keypadKey(*key).letter && *key != KeypadKey::Cd) {
    complain(
        QStringLiteral("the SET key has no command on the line; the settings are reached "
                       "through 'luxpanel-cli set'"));
    return kExitUsage;
  }

  LiveMeter live;
  CliMeter& s = live.session;
  const int opened = openMeter(s, parser, meter);
  if (opened >= 0) return opened;
  QString refusal;
  SettingOutcome outcome = SettingOutcome::NoAnswer;
  try {
    // The keypad knows from the panel whether the meter's logger records; here one reading
    // tells, for the keys that are refused meanwhile.
    const bool needsDisplay = keypadKey(*key).refusedWhileLogging;
    if (needsDisplay && !s.readDisplay()) {
      complain(noAnswerText(s));
      return kExitFailure;
    }
    outcome = pressKey(s.link(), *key, needsDisplay ? &s.display() : nullptr, &refusal);
  } catch (const LinkAborted&) {
    return kExitFailure;
  }
  switch (outcome) {
    case SettingOutcome::Done:
      qCInfo(lcCli, "key %s pressed", qUtf8Printable(name));
      return kExitOk;
    case SettingOutcome::Refused:
      complain(refusal);
      return kExitFailure;
    case SettingOutcome::NoAnswer:
      break;
  }
  complain(noAnswerText(s));
  return kExitFailure;
}

}  // namespace lux::cli
