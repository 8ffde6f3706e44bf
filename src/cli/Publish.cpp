#include "cli/Publish.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QTimer>
#include <memory>
#include <vector>

#include "cli/Common.h"
#include "cli/SignalWatch.h"
#include "cli/Subcommands.h"
#include "link/MeterSession.h"
#include "link/PortChoice.h"
#include "link/QtSerialPort.h"
#include "link/SystemClock.h"
#include "publish/engine/BrokerSetup.h"
#include "publish/engine/Publisher.h"

namespace lux::cli {

using publish::MeterState;

QString publishStateDir(const QString& option) {
  if (!option.isEmpty()) return option;
  const QString systemd = qEnvironmentVariable("STATE_DIRECTORY");
  if (!systemd.isEmpty()) return systemd.section(QLatin1Char(':'), 0, 0);
  const QString xdg = qEnvironmentVariable("XDG_STATE_HOME");
  if (!xdg.isEmpty()) return xdg + QStringLiteral("/luxpanel");
  return QDir::homePath() + QStringLiteral("/.local/state/luxpanel");
}

namespace {

// One meter's session. Its poll waits on a stack of its own and gives the thread back meanwhile,
// so a meter that stops answering holds up neither the other meters nor the broker's traffic.
class MeterWorker : public QObject {
 public:
  MeterWorker(QString id, QString device, int comPortNumber)
      : id_(std::move(id)), device_(std::move(device)), com_(comPortNumber) {}

  std::function<void(const Reading&)> onReading;
  std::function<void(MeterState)> onState;

  void begin() {
    clock_ = std::make_unique<SystemClock>();
    port_ = std::make_unique<QtSerialPort>();
    session_ = std::make_unique<MeterSession>(*port_, *clock_);
    QObject::connect(session_.get(), &MeterSession::readingDecoded, session_.get(),
                     [this](const Reading& r) {
                       if (onReading) onReading(r);
                     });
    QObject::connect(
        session_.get(), &MeterSession::silenceChanged, session_.get(),
        [this](bool silent) { report(silent ? MeterState::Silent : MeterState::Online); });
    QObject::connect(session_.get(), &MeterSession::linkChanged, session_.get(), [this](bool up) {
      if (up)
        report(session_->silent() ? MeterState::Silent : MeterState::Online);
      else
        report(port_->lost() ? MeterState::Unplugged : MeterState::Silent);
    });
    QObject::connect(port_.get(), &QtSerialPort::portLost, session_.get(),
                     [this] { report(MeterState::Unplugged); });
    retry_ = new QTimer(session_.get());
    retry_->setInterval(2000);
    QObject::connect(retry_, &QTimer::timeout, session_.get(), [this] { tryOpen(); });
    tryOpen();
  }
  // Once the event loop has returned: a poll still waiting is unwound on its own stack, and what
  // it says on the way out reaches nobody (the meter is not unplugged because the process ends).
  void teardown() {
    onReading = nullptr;
    onState = nullptr;
    if (retry_) retry_->stop();
    if (session_) {
      session_->stop();
      session_->link().abort();
    }
    retry_ = nullptr;  // a child of the session
    session_.reset();
    port_.reset();
    clock_.reset();
  }

 private:
  void tryOpen() {
    QString reason;
    if (session_->open(device_, com_, &reason)) {
      retry_->stop();
      report(MeterState::Online);
      session_->start();
      return;
    }
    if (!retry_->isActive()) {
      complain(QStringLiteral("%1: cannot open %2 (%3); trying again every 2 s")
                   .arg(id_, device_, reason));
      report(MeterState::Unplugged);
      retry_->start();
    }
  }
  void report(MeterState s) {
    if (onState) onState(s);
  }

  QString id_, device_;
  int com_;
  std::unique_ptr<SystemClock> clock_;
  std::unique_ptr<QtSerialPort> port_;
  std::unique_ptr<MeterSession> session_;
  QTimer* retry_ = nullptr;
};

QString clientIdPart(QString s) {
  for (QChar& c : s)
    if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != '-' && c != '_') c = '_';
  return s;
}

const char kUsage[] =
    "luxpanel-cli publish (--meter NAME=PORT ... | --config FILE) [--broker URL] [options]";

}  // namespace

int runPublish(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption meterOpt(
      QStringLiteral("meter"),
      QStringLiteral("A meter to publish: its name in the topics (letters, digits, - and _) and "
                     "its port (COM1..COM16 or a device path). Repeat for several meters."),
      QStringLiteral("NAME=PORT"));
  const QCommandLineOption configOpt(
      QStringLiteral("config"),
      QStringLiteral("Configuration file: a [broker] section and one [meter NAME] section per "
                     "meter (see the manual page)."),
      QStringLiteral("FILE"));
  const QCommandLineOption brokerOpt(
      QStringLiteral("broker"),
      QStringLiteral("Broker URL: mqtt://HOST[:PORT] or mqtts://HOST[:PORT] (default "
                     "mqtt://localhost)."),
      QStringLiteral("URL"));
  const QCommandLineOption userOpt(
      QStringLiteral("user"), QStringLiteral("User name at the broker."), QStringLiteral("NAME"));
  const QCommandLineOption passwordFileOpt(
      QStringLiteral("password-file"),
      QStringLiteral("File whose first line is the password; only its owner may read it."),
      QStringLiteral("FILE"));
  const QCommandLineOption everyOpt(
      QStringLiteral("every"),
      QStringLiteral("At most one reading per meter every SECONDS (default 1; 0 publishes every "
                     "reading). Overrides the configuration file."),
      QStringLiteral("SECONDS"));
  const QCommandLineOption prefixOpt(QStringLiteral("prefix"),
                                     QStringLiteral("Topic prefix (default luxpanel)."),
                                     QStringLiteral("PREFIX"));
  const QCommandLineOption noDiscoveryOpt(
      QStringLiteral("no-discovery"), QStringLiteral("Send no Home Assistant discovery configs."));
  const QCommandLineOption stateDirOpt(
      QStringLiteral("state-dir"),
      QStringLiteral("Where readings wait for the broker (default $STATE_DIRECTORY, else "
                     "$XDG_STATE_HOME/luxpanel)."),
      QStringLiteral("DIR"));
  for (const auto* o : {&meterOpt, &configOpt, &brokerOpt, &userOpt, &passwordFileOpt, &everyOpt,
                        &prefixOpt, &noDiscoveryOpt, &stateDirOpt})
    parser.addOption(*o);
  const int parsed = parseSubcommand(
      parser, arguments, QString::fromLatin1(kUsage),
      QStringLiteral("Publishes the readings of one or more meters to an MQTT broker, with Home "
                     "Assistant discovery. Readings wait on disk while the broker is away."),
      0);
  if (parsed >= 0) return parsed;

  publish::PublishConfig config;
  QString configName = QStringLiteral("cli");
  if (parser.isSet(configOpt)) {
    const QString path = parser.value(configOpt);
    const QFileInfo info(path);
    QFile f(path);
    if (!info.isFile() || !f.open(QIODevice::ReadOnly)) {
      complain(QStringLiteral("cannot read the configuration file %1").arg(path));
      return kExitUsage;
    }
    if (f.size() > (1 << 20)) {
      complain(QStringLiteral("%1 is larger than 1 MB; not a configuration file").arg(path));
      return kExitUsage;
    }
    const QByteArray text = f.read(1 << 20);  // its size was checked above
    std::vector<publish::ConfigError> errors;
    config =
        publish::parseConfig(std::string_view(text.constData(), std::size_t(text.size())), &errors);
    for (const auto& e : errors)
      complain(
          QStringLiteral("%1:%2: %3").arg(path).arg(e.line).arg(QString::fromStdString(e.message)));
    if (!errors.empty()) return kExitUsage;
    if (!config.broker.password.empty()) {
      const QString problem = publish::passwordFileProblem(path);
      if (!problem.isEmpty()) {
        complain(problem);
        return kExitFailure;
      }
    }
    configName = info.completeBaseName();
  }
  for (const QString& m : parser.values(meterOpt)) {
    std::string why;
    auto meter = publish::parseMeterOption(m.toStdString(), &why);
    if (!meter) {
      complain(QStringLiteral("--meter %1: %2").arg(m, QString::fromStdString(why)));
      return kExitUsage;
    }
    for (const auto& other : config.meters)
      if (other.id == meter->id) {
        complain(
            QStringLiteral("meter '%1' is named twice").arg(QString::fromStdString(meter->id)));
        return kExitUsage;
      }
    config.meters.push_back(*meter);
  }
  if (config.meters.empty()) {
    complain(QStringLiteral("which meters? Give --meter NAME=PORT or --config FILE"));
    return kExitUsage;
  }
  if (parser.isSet(everyOpt)) {
    const auto every = publish::parsePeriod(parser.value(everyOpt).toStdString());
    if (!every) {
      complain(QStringLiteral("--every takes seconds from 0 to 86400"));
      return kExitUsage;
    }
    for (auto& m : config.meters) m.every = *every;
  }
  if (parser.isSet(prefixOpt)) {
    if (!publish::validTopicPrefix(parser.value(prefixOpt).toStdString())) {
      complain(QStringLiteral("--prefix: topic levels without '+', '#', spaces or empty levels"));
      return kExitUsage;
    }
    config.broker.prefix = parser.value(prefixOpt).toStdString();
  }
  if (parser.isSet(noDiscoveryOpt)) config.broker.discovery = false;
  if (parser.isSet(brokerOpt)) config.broker.url = parser.value(brokerOpt).toStdString();
  if (parser.isSet(userOpt)) config.broker.user = parser.value(userOpt).toStdString();
  if (parser.isSet(passwordFileOpt))
    config.broker.passwordFile = parser.value(passwordFileOpt).toStdString();

  publish::BrokerSetupError setupError;
  auto settings = publish::brokerSettingsOf(config.broker, &setupError);
  if (!settings) {
    complain(setupError.message);
    return setupError.usage ? kExitUsage : kExitFailure;
  }
  publish::BrokerSettings& broker = *settings;
  const publish::BrokerUrl* url = &broker.url;
  broker.clientId =
      config.broker.clientId.empty()
          ? QStringLiteral("luxpanel-%1-%2")
                .arg(clientIdPart(QSysInfo::machineHostName()), clientIdPart(configName))
          : QString::fromStdString(config.broker.clientId);

  publish::Topics topics;
  topics.prefix = QString::fromStdString(config.broker.prefix);
  topics.discoveryPrefix = QString::fromStdString(config.broker.discoveryPrefix);
  topics.discovery = config.broker.discovery;
  topics.clientId = broker.clientId;

  // Ports named before anything starts: a typo is a usage error, not a meter to wait for.
  struct Planned {
    QString id, device;
    int com;
  };
  std::vector<Planned> planned;
  for (const auto& m : config.meters) {
    const QString name = QString::fromStdString(m.port);
    const PortChoice choice = choosePort(m.port);
    if (choice.deviceName.empty()) {
      complain(QStringLiteral("meter %1: no port is called '%2': the names are COM1..COM16 or a "
                              "device path such as /dev/ttyUSB0")
                   .arg(QString::fromStdString(m.id), name));
      return kExitUsage;
    }
    planned.push_back({QString::fromStdString(m.id), QString::fromStdString(choice.deviceName),
                       choice.comPortNumber});
  }

  const QString stateDir = publishStateDir(parser.value(stateDirOpt));
  publish::Publisher publisher(broker, topics, stateDir, config.broker.spoolLimit);
  for (const auto& m : config.meters) publisher.addMeter(m);
  QString error;
  if (!publisher.start(&error)) {
    complain(error);
    return kExitFailure;
  }
  note(QStringLiteral("luxpanel-cli: publishing %1 meter(s) to %2:%3 under %4/ (waiting readings "
                      "in %5)\n")
           .arg(planned.size())
           .arg(QString::fromStdString(url->host))
           .arg(url->port)
           .arg(topics.prefix, stateDir));

  QEventLoop loop;
  int exitCode = kExitOk;
  auto finish = [&](int code) {
    exitCode = code;
    loop.exit(code);
  };
  QObject::connect(&publisher, &publish::Publisher::authenticationRefused, &loop,
                   [&](const QString& reason) {
                     complain(QStringLiteral("the broker refused the connection: %1; check the "
                                             "user name and the password")
                                  .arg(reason));
                     finish(kExitFailure);
                   });
  QObject::connect(&publisher, &publish::Publisher::failed, &loop, [&](const QString& reason) {
    complain(reason);
    finish(kExitFailure);
  });
  SignalWatch signalWatch([&](int) { finish(kExitOk); });

  QElapsedTimer monotonic;
  monotonic.start();
  // The meters' sessions and the publisher share the event loop's thread: a decoded reading goes
  // to the broker in the same wake-up that read it, and the broker's acknowledgements wake the
  // one thread that is already awake for the polls. Nothing here blocks a poll for long: the
  // spool's writes are buffered, its flush once a second is one write and one fdatasync, and
  // the connection attempt (the name lookup) runs on a short-lived thread of its own.
  std::vector<std::unique_ptr<MeterWorker>> workers;
  for (std::size_t i = 0; i < planned.size(); ++i) {
    auto worker = std::make_unique<MeterWorker>(planned[i].id, planned[i].device, planned[i].com);
    const int index = int(i);
    publish::Publisher* p = &publisher;
    worker->onReading = [p, index, &monotonic](const Reading& r) {
      p->offer(index, r, monotonic.elapsed());
    };
    worker->onState = [p, index](MeterState s) { p->setMeterState(index, s); };
    workers.push_back(std::move(worker));
  }
  for (auto& w : workers) w->begin();

  loop.exec();

  for (auto& w : workers) w->teardown();
  workers.clear();
  publisher.stop(2.0);
  return exitCode;
}

}  // namespace lux::cli
