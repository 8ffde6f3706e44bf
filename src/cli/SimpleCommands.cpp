// ports, read, clock and erase: one short exchange each.
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPortInfo>
#include <cstdio>

#include "cli/CliFormat.h"
#include "cli/Common.h"
#include "cli/LiveMeter.h"
#include "cli/MeterCommands.h"
#include "cli/Subcommands.h"
#include "link/Protocol.h"

namespace lux::cli {

namespace {

void print(const QString& line) {
  std::fputs(line.toLocal8Bit().constData(), stdout);
  std::fputc('\n', stdout);
}

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

// The stable names udev gives a device (by-id, by-path), keyed by the device they point to.
QMultiMap<QString, QString> stableNames() {
  QMultiMap<QString, QString> names;
  for (const char* folder : {"/dev/serial/by-id", "/dev/serial/by-path"}) {
    const QDir dir(QString::fromLatin1(folder));
    for (const QFileInfo& link :
         dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
      if (link.isSymLink()) names.insert(link.canonicalFilePath(), link.absoluteFilePath());
  }
  return names;
}

// COMn is /dev/ttyS(n-1), the names the port window offers; empty for other devices.
QString comName(const QSerialPortInfo& info) {
  if (!info.portName().startsWith(QStringLiteral("ttyS"))) return {};
  bool ok = false;
  const int n = info.portName().mid(4).toInt(&ok);
  return ok && n < 16 ? QStringLiteral("COM%1").arg(n + 1) : QString();
}

QJsonObject portJson(const QSerialPortInfo& info, const QMultiMap<QString, QString>& names) {
  QJsonObject o;
  const QString device = info.systemLocation();
  o.insert(QStringLiteral("device"), device);
  o.insert(QStringLiteral("com"), comName(info));
  o.insert(QStringLiteral("description"), info.description());
  o.insert(QStringLiteral("manufacturer"), info.manufacturer());
  o.insert(QStringLiteral("serial"), info.serialNumber());
  if (info.hasVendorIdentifier() && info.hasProductIdentifier())
    o.insert(QStringLiteral("usb"), QStringLiteral("%1:%2")
                                        .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                                        .arg(info.productIdentifier(), 4, 16, QLatin1Char('0')));
  QJsonArray stable;
  for (const QString& s : names.values(QFileInfo(device).canonicalFilePath())) stable.append(s);
  o.insert(QStringLiteral("stable_names"), stable);
  return o;
}

}  // namespace

std::optional<QString> readMeterClock(CliMeter& s) {
  const auto answer = s.request(Command::ReadClock, kClockAnswerLength);
  if (!answer) return std::nullopt;
  const auto* b = reinterpret_cast<const std::uint8_t*>(answer->constData());
  return QStringLiteral("%1 %2:%3:%4")
      .arg(q(hexPair(b[1])), q(hexPair(b[2])), q(hexPair(b[3])), q(hexPair(b[4])));
}

bool setMeterClock(CliMeter& s, const QDateTime& pc) {
  // Back to the normal display first, as every settings change does.
  if (!s.handshake()) return false;
  s.link().send(Command::Enter);
  s.link().waitSeconds(0.2);
  if (!s.handshake()) return false;
  const QTime t = pc.time();
  QByteArray payload;
  for (int v : {pc.date().day(), t.hour(), t.minute(), t.second()})
    payload.append(static_cast<char>(toPackedBcd(v)));
  s.link().send(Command::SetClock);
  s.link().waitSeconds(MeterLink::kDataDelay);
  s.link().sendBytes(payload);
  // A moment for the meter to take the new time before anything else is asked of it.
  s.link().waitSeconds(0.2);
  return true;
}

EraseOutcome eraseMemory(CliMeter& s, std::uint32_t* address) {
  if (!s.handshake()) return EraseOutcome::NoAnswer;
  s.link().waitSeconds(0.02);
  s.link().send(Command::EraseMemory);
  // The meter shows CLEAR while it empties its memory; the next handshake tells the result.
  s.link().waitSeconds(1.5);
  const auto after = s.handshake();
  if (!after) return EraseOutcome::NoAnswerAfter;
  if (address) *address = *after;
  return *after == kEmptyLoggerAddress ? EraseOutcome::Erased : EraseOutcome::StillHoldsData;
}

int runPorts(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption json(QStringLiteral("json"),
                                QStringLiteral("Print one JSON array, an object per port."));
  parser.addOption(json);
  const int parsed = parseSubcommand(
      parser, arguments, QStringLiteral("luxpanel-cli ports [--json]"),
      QStringLiteral("Lists the serial ports of this system with their descriptions: the device, "
                     "its COM name where it has one, the adapter's description and maker, and "
                     "the stable names under /dev/serial. Pseudo-terminals are not listed; give "
                     "their path to --port as it stands."),
      0);
  if (parsed >= 0) return parsed;

  const auto names = stableNames();
  const auto ports = QSerialPortInfo::availablePorts();
  if (parser.isSet(json)) {
    QJsonArray list;
    for (const QSerialPortInfo& info : ports) list.append(portJson(info, names));
    print(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)));
    return kExitOk;
  }
  if (ports.isEmpty()) {
    note(QStringLiteral("No serial ports found.\n"));
    return kExitOk;
  }
  for (const QSerialPortInfo& info : ports) {
    QStringList fields;
    const QString device = info.systemLocation();
    fields << device;
    if (const QString com = comName(info); !com.isEmpty()) fields << com;
    QStringList about;
    if (!info.description().isEmpty()) about << info.description();
    if (!info.manufacturer().isEmpty()) about << info.manufacturer();
    if (!info.serialNumber().isEmpty()) about << QStringLiteral("serial ") + info.serialNumber();
    if (info.hasVendorIdentifier() && info.hasProductIdentifier())
      about << QStringLiteral("USB %1:%2")
                   .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                   .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
    if (!about.isEmpty()) fields << about.join(QStringLiteral(", "));
    for (const QString& stable : names.values(QFileInfo(device).canonicalFilePath()))
      fields << stable;
    print(fields.join('\t'));
  }
  return kExitOk;
}

int runRead(const QStringList& arguments) {
  QCommandLineParser parser;
  MeterOptions meter;
  meter.addTo(parser);
  const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print one JSON object."));
  const QCommandLineOption timeout(
      QStringLiteral("timeout"),
      QStringLiteral("Wait up to SECONDS for a reading instead of 3 (exit 1 without one)."),
      QStringLiteral("SECONDS"));
  parser.addOptions({json, timeout});
  const int parsed = parseSubcommand(
      parser, arguments,
      QStringLiteral("luxpanel-cli read [--json] [--timeout SECONDS] (--port NAME | --simulate)"),
      QStringLiteral("Prints one reading as the panel shows it: the value text, the unit, the "
                     "lit modes and the secondary display. Fails when the meter sends no reading "
                     "within 3 s (or --timeout SECONDS), or shows SET UP, CLEAR or RS232 instead "
                     "of a reading."),
      0);
  if (parsed >= 0) return parsed;
  double bound = kAnswerBound;
  const int timed = readTimeout(parser, timeout, &bound);
  if (timed >= 0) return timed;

  LiveMeter live;
  const int opened = openMeter(live.session, parser, meter);
  if (opened >= 0) return opened;
  try {
    if (!live.session.readDisplay(bound)) {
      const QString banner = live.session.bannerInstead();
      if (!banner.isEmpty())
        complain(QStringLiteral("the meter answers but shows %1 instead of a reading; read "
                                "again when it shows one")
                     .arg(banner));
      else if (parser.isSet(timeout))
        complain(QStringLiteral("no reading from the meter on %1 within %2 s")
                     .arg(live.session.linkState().portName)
                     .arg(bound));
      else
        complain(noAnswerText(live.session));
      return kExitFailure;
    }
  } catch (const LinkAborted&) {
    return kExitFailure;
  }
  const DisplayState& d = live.session.display();
  const std::vector<std::string> modes = litModes(d);
  if (parser.isSet(json)) {
    QJsonArray modeList;
    for (const std::string& m : modes) modeList.append(q(m));
    QJsonObject o;
    o.insert(QStringLiteral("value"), q(signedValueText(d)));
    o.insert(QStringLiteral("overload"), d.mainValueText == "OL");
    if (d.mainValueText != "OL")
      o.insert(QStringLiteral("number"), q(signedValueText(d)).toDouble());
    o.insert(QStringLiteral("unit"), q(d.unitText));
    o.insert(QStringLiteral("modes"), modeList);
    o.insert(QStringLiteral("secondary"), q(secondaryText(d)));
    const QDateTime now = QDateTime::currentDateTime();
    o.insert(QStringLiteral("time"),
             q(isoLocalTime(now.date().year(), now.date().month(), now.date().day(),
                            now.time().hour(), now.time().minute(), now.time().second(),
                            now.time().msec(), now.offsetFromUtc())));
    print(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
  } else {
    QString line = q(signedValueText(d));
    if (!d.unitText.empty()) line += ' ' + q(d.unitText);
    if (!modes.empty()) line += QStringLiteral("  ") + q(joinModes(modes));
    line += QStringLiteral("  [") + q(secondaryText(d)) + ']';
    print(line);
  }
  return kExitOk;
}

int runClock(const QStringList& arguments) {
  QCommandLineParser parser;
  MeterOptions meter;
  meter.addTo(parser);
  const QCommandLineOption set(QStringLiteral("set"),
                               QStringLiteral("Set the meter's clock to this PC's local time."));
  const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print one JSON object."));
  parser.addOption(set);
  parser.addOption(json);
  const int parsed = parseSubcommand(
      parser, arguments,
      QStringLiteral("luxpanel-cli clock [--set] [--json] (--port NAME | --simulate)"),
      QStringLiteral("Shows the meter's clock (day of month and time) beside the PC's; --set sets "
                     "the meter to the PC's time first."),
      0);
  if (parsed >= 0) return parsed;

  LiveMeter live;
  CliMeter& s = live.session;
  const int opened = openMeter(s, parser, meter);
  if (opened >= 0) return opened;
  try {
    if (parser.isSet(set)) {
      const QDateTime pc = s.clock().localDateTime();
      if (!setMeterClock(s, pc)) {
        complain(noAnswerText(s));
        return kExitFailure;
      }
      note(QStringLiteral("Meter clock set to %1.\n")
               .arg(pc.toString(QStringLiteral("dd HH:mm:ss"))));
    }
    const auto meterTime = readMeterClock(s);
    const QDateTime pc = s.clock().localDateTime();
    if (!meterTime) {
      complain(noAnswerText(s));
      return kExitFailure;
    }
    if (parser.isSet(json)) {
      QJsonObject o;
      o.insert(QStringLiteral("meter"), *meterTime);
      o.insert(QStringLiteral("pc"), pc.toString(QStringLiteral("dd HH:mm:ss")));
      o.insert(QStringLiteral("pc_time"),
               pc.toOffsetFromUtc(pc.offsetFromUtc()).toString(Qt::ISODate));
      o.insert(QStringLiteral("set"), parser.isSet(set));
      print(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
    } else {
      print(QStringLiteral("meter  ") + *meterTime);
      print(QStringLiteral("pc     %1").arg(pc.toString(QStringLiteral("dd HH:mm:ss"))));
    }
  } catch (const LinkAborted&) {
    return kExitFailure;
  }
  return kExitOk;
}

int runErase(const QStringList& arguments) {
  QCommandLineParser parser;
  MeterOptions meter;
  meter.addTo(parser);
  const QCommandLineOption yes(QStringLiteral("yes"),
                               QStringLiteral("Really delete all the data in the meter's memory."));
  const QCommandLineOption quiet(
      QStringLiteral("quiet"), QStringLiteral("Say nothing unless something is wrong; for cron."));
  parser.addOptions({yes, quiet});
  const int parsed = parseSubcommand(
      parser, arguments,
      QStringLiteral("luxpanel-cli erase --yes [--quiet] (--port NAME | --simulate)"),
      QStringLiteral("Empties the meter's logger memory. All the data in memory will be deleted: "
                     "nothing happens without --yes."),
      0);
  if (parsed >= 0) return parsed;
  if (!parser.isSet(yes)) {
    complain(QStringLiteral("All the data in memory will be deleted! Add --yes to erase it."));
    return kExitUsage;
  }

  LiveMeter live;
  CliMeter& s = live.session;
  const int opened = openMeter(s, parser, meter);
  if (opened >= 0) return opened;
  try {
    std::uint32_t address = 0;
    switch (eraseMemory(s, &address)) {
      case EraseOutcome::Erased:
        break;
      case EraseOutcome::NoAnswer:
        complain(noAnswerText(s));
        return kExitFailure;
      case EraseOutcome::NoAnswerAfter:
        complain(
            QStringLiteral("the meter was asked to erase its memory but does not answer "
                           "since; look at its display"));
        return kExitFailure;
      case EraseOutcome::StillHoldsData:
        complain(QStringLiteral("the meter was asked to erase its memory but still reports data "
                                "(fill address %1)")
                     .arg(address));
        return kExitFailure;
    }
    if (!parser.isSet(quiet) && !cli::quiet())
      note(QStringLiteral("The logger memory is empty.\n"));
  } catch (const LinkAborted&) {
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace lux::cli
