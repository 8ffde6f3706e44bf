#include "publish/DesktopPublishing.h"

#include <QDir>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTimer>

#include "publish/engine/BrokerSetup.h"
#include "publish/engine/PublishConfig.h"
#include "ui/Dialogs.h"

namespace lux {

using publish::MeterState;

namespace {

constexpr std::uint64_t kSpoolLimit = 64ull << 20;

QString idPart(QString s) {
  for (QChar& c : s)
    if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != '-' && c != '_') c = '_';
  return s;
}

MeterState stateOf(const MeterSession& session) {
  if (!session.connected()) return MeterState::Unplugged;
  return session.silent() ? MeterState::Silent : MeterState::Online;
}

}  // namespace

PublishChoices loadPublishChoices(QSettings& s) {
  PublishChoices c;
  s.beginGroup(QStringLiteral("Publish"));
  c.url = s.value(QStringLiteral("url"), c.url).toString();
  c.meter = s.value(QStringLiteral("meter"), c.meter).toString();
  c.user = s.value(QStringLiteral("user")).toString();
  c.passwordFile = s.value(QStringLiteral("passwordFile")).toString();
  c.ca = s.value(QStringLiteral("ca")).toString();
  c.cert = s.value(QStringLiteral("cert")).toString();
  c.key = s.value(QStringLiteral("key")).toString();
  c.discovery = s.value(QStringLiteral("discovery"), c.discovery).toBool();
  c.discoveryPrefix = s.value(QStringLiteral("discoveryPrefix"), c.discoveryPrefix).toString();
  c.on = s.value(QStringLiteral("on"), false).toBool();
  s.endGroup();
  return c;
}

void savePublishChoices(QSettings& s, const PublishChoices& c) {
  s.beginGroup(QStringLiteral("Publish"));
  s.setValue(QStringLiteral("url"), c.url);
  s.setValue(QStringLiteral("meter"), c.meter);
  s.setValue(QStringLiteral("user"), c.user);
  s.setValue(QStringLiteral("passwordFile"), c.passwordFile);
  s.setValue(QStringLiteral("ca"), c.ca);
  s.setValue(QStringLiteral("cert"), c.cert);
  s.setValue(QStringLiteral("key"), c.key);
  s.setValue(QStringLiteral("discovery"), c.discovery);
  s.setValue(QStringLiteral("discoveryPrefix"), c.discoveryPrefix);
  s.setValue(QStringLiteral("on"), c.on);
  s.endGroup();
  s.sync();
}

DesktopPublishing::DesktopPublishing(MeterSession& session, Dialogs& dialogs, QSettings& settings,
                                     QString stateDir, QObject* parent)
    : QObject(parent),
      session_(session),
      dialogs_(dialogs),
      settings_(settings),
      stateDir_(std::move(stateDir)) {
  monotonic_.start();
}

DesktopPublishing::~DesktopPublishing() {
  if (publisher_) publisher_->stop(1.0);
}

QString DesktopPublishing::defaultStateDir() {
  return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
         QStringLiteral("/publish");
}

namespace {

// The broker part of the choices in the words of a publisher's configuration; TLS files count
// only for mqtts://, where the window shows them.
publish::BrokerConfig brokerConfigOf(const PublishChoices& c, bool tls) {
  publish::BrokerConfig b;
  b.url = c.url.trimmed().toStdString();
  b.user = c.user.trimmed().toStdString();
  b.passwordFile = c.passwordFile.trimmed().toStdString();
  if (tls) {
    b.ca = c.ca.trimmed().toStdString();
    b.cert = c.cert.trimmed().toStdString();
    b.key = c.key.trimmed().toStdString();
  }
  b.discovery = c.discovery;
  b.discoveryPrefix = c.discoveryPrefix.trimmed().toStdString();
  return b;
}

}  // namespace

QString DesktopPublishing::check(const PublishChoices& c) const {
  if (!publish::validMeterId(c.meter.trimmed().toStdString()))
    return tr(
        "The meter name must be 1 to 64 letters, digits, '-' or '_': it names the meter's "
        "topics.");
  std::string ignored;
  const auto url = publish::parseBrokerUrl(c.url.trimmed().toStdString(), &ignored);
  const bool tls = url && url->tls;
  if (!c.passwordFile.trimmed().isEmpty() && c.user.trimmed().isEmpty())
    return tr("A password file needs a user name.");
  if (tls && c.ca.trimmed().isEmpty())
    return tr(
        "mqtts:// needs a CA file: the certificate of the authority that signed the "
        "broker's certificate.");
  if (c.discovery && !publish::validTopicPrefix(c.discoveryPrefix.trimmed().toStdString()))
    return tr(
        "The discovery prefix must be topic levels without '+', '#', spaces or empty "
        "levels.");
  publish::BrokerSetupError error;
  if (!publish::brokerSettingsOf(brokerConfigOf(c, tls), &error)) return error.message;
  return QString();
}

bool DesktopPublishing::start(const PublishChoices& choices, QString* error) {
  *error = check(choices);
  if (!error->isEmpty()) return false;
  const auto url = publish::parseBrokerUrl(choices.url.trimmed().toStdString(), nullptr);
  publish::BrokerSetupError setupError;
  auto broker = publish::brokerSettingsOf(brokerConfigOf(choices, url && url->tls), &setupError);
  if (!broker) {
    *error = setupError.message;
    return false;
  }
  end(false);
  const QString meter = choices.meter.trimmed();
  broker->clientId =
      QStringLiteral("luxpanel-%1-desktop-%2").arg(idPart(QSysInfo::machineHostName()), meter);
  publish::Topics topics;
  topics.discovery = choices.discovery;
  if (choices.discovery) topics.discoveryPrefix = choices.discoveryPrefix.trimmed();
  topics.clientId = broker->clientId;
  brokerName_ =
      QStringLiteral("%1:%2").arg(QString::fromStdString(broker->url.host)).arg(broker->url.port);

  auto publisher = std::make_unique<publish::Publisher>(*broker, topics, stateDir_, kSpoolLimit);
  publish::MeterConfig m;
  m.id = meter.toStdString();
  m.port = session_.link().portCaption().toStdString();
  m.name = m.id;
  m.every = every;
  publisher->addMeter(m);
  if (!publisher->start(error)) return false;
  publisher_ = std::move(publisher);
  publish::Publisher* p = publisher_.get();
  p->setMeterState(0, stateOf(session_));
  connect(&session_, &MeterSession::readingDecoded, p,
          [this, p](const Reading& r) { p->offer(0, r, monotonic_.elapsed()); });
  connect(&session_, &MeterSession::silenceChanged, p,
          [this, p] { p->setMeterState(0, stateOf(session_)); });
  connect(&session_, &MeterSession::linkChanged, p,
          [this, p] { p->setMeterState(0, stateOf(session_)); });
  connect(p, &publish::Publisher::statusChanged, this, &DesktopPublishing::refresh);
  connect(p, &publish::Publisher::authenticationRefused, this, [this](const QString& reason) {
    refusedByBroker(tr("The broker %1 refused the user name or the password (%2). Publishing has "
                       "stopped: check them and start again.")
                        .arg(brokerName_, reason));
  });
  connect(p, &publish::Publisher::failed, this, [this](const QString& reason) {
    refusedByBroker(tr("Publishing has stopped: %1").arg(reason));
  });

  PublishChoices remembered = choices;
  remembered.on = true;
  savePublishChoices(settings_, remembered);
  emit runningChanged(true);
  refresh();
  return true;
}

void DesktopPublishing::stop() {
  end(true);
}

void DesktopPublishing::shutdown() {
  end(false);
}

void DesktopPublishing::end(bool remember, bool later) {
  if (remember) {
    PublishChoices c = remembered();
    c.on = false;
    savePublishChoices(settings_, c);
  }
  if (!publisher_) return;
  publisher_->disconnect(this);
  publisher_->stop(2.0);
  // Its spool stays locked until it is gone: a Start right after a Stop must find it free.
  if (later)
    publisher_.release()->deleteLater();
  else
    publisher_.reset();
  emit runningChanged(false);
  refresh();
}

void DesktopPublishing::resume() {
  const PublishChoices c = remembered();
  if (!c.on) return;
  QString error;
  if (start(c, &error)) return;
  PublishChoices off = c;
  off.on = false;
  savePublishChoices(settings_, off);
  dialogs_.message(tr("Publishing readings could not start again: %1").arg(error));
}

void DesktopPublishing::refusedByBroker(const QString& message) {
  end(true, true);
  // Not inside the engine's signal: the box waits for the user.
  QTimer::singleShot(0, this, [this, message] { dialogs_.message(message); });
}

QString DesktopPublishing::statusText() const {
  if (!publisher_) return QString();
  if (publisher_->brokerConnected()) return tr("Publishing");
  if (!publisher_->brokerTried()) return tr("Connecting to the broker");
  return tr("Broker unreachable: %1 readings waiting").arg(publisher_->waiting());
}

void DesktopPublishing::refresh() {
  const QString text = statusText();
  if (text == shown_) return;
  shown_ = text;
  emit statusChanged(text, text.isEmpty() ? QString() : tr("Broker %1").arg(brokerName_));
}

}  // namespace lux
