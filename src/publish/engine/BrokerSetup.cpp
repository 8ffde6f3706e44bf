#include "publish/engine/BrokerSetup.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <utility>

namespace lux::publish {

namespace {

QString translated(const char* source) {
  return QCoreApplication::translate("BrokerSetup", source);
}

// What parseBrokerUrl says, known here so that the panel can show it in the user's language.
[[maybe_unused]] const char* const kUrlReasons[] = {
    QT_TRANSLATE_NOOP("BrokerSetup", "the scheme must be mqtt:// or mqtts://"),
    QT_TRANSLATE_NOOP("BrokerSetup",
                      "a user name or password does not belong in the URL (use the configuration "
                      "file or --password-file)"),
    QT_TRANSLATE_NOOP("BrokerSetup", "the URL holds a path; only a host and a port are expected"),
    QT_TRANSLATE_NOOP("BrokerSetup", "an IPv6 address lacks its ']'"),
    QT_TRANSLATE_NOOP("BrokerSetup", "unexpected text after the IPv6 address"),
    QT_TRANSLATE_NOOP("BrokerSetup", "the port is missing after ':'"),
    QT_TRANSLATE_NOOP("BrokerSetup", "an IPv6 address goes in brackets: [::1]:1883"),
    QT_TRANSLATE_NOOP("BrokerSetup", "the host name is missing"),
    QT_TRANSLATE_NOOP("BrokerSetup", "the host name is too long"),
    QT_TRANSLATE_NOOP("BrokerSetup", "the host name holds a character a host name cannot have"),
    QT_TRANSLATE_NOOP("BrokerSetup", "the port must be a number from 1 to 65535"),
};

}  // namespace

QString passwordFileProblem(const QString& path) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0)
    return QCoreApplication::translate("BrokerSetup", "cannot read %1: %2")
        .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
  if (!S_ISREG(st.st_mode))
    return QCoreApplication::translate("BrokerSetup", "%1 is not a regular file").arg(path);
  if (st.st_mode & (S_IRWXG | S_IRWXO))
    return QCoreApplication::translate(
               "BrokerSetup",
               "%1 holds a password and others can read it; make it private with: chmod 600 %1")
        .arg(path);
  return QString();
}

std::optional<QString> readPasswordFile(const QString& path, QString* error) {
  *error = passwordFileProblem(path);
  if (!error->isEmpty()) return std::nullopt;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    *error =
        QCoreApplication::translate("BrokerSetup", "cannot read %1: %2").arg(path, f.errorString());
    return std::nullopt;
  }
  QByteArray line = f.read(4096);
  const qsizetype nl = line.indexOf('\n');
  if (nl >= 0) line.truncate(nl);
  if (line.endsWith('\r')) line.chop(1);
  if (line.isEmpty()) {
    *error = QCoreApplication::translate("BrokerSetup", "%1 holds no password on its first line")
                 .arg(path);
    return std::nullopt;
  }
  return QString::fromUtf8(line);
}

std::optional<BrokerSettings> brokerSettingsOf(const BrokerConfig& config,
                                               BrokerSetupError* error) {
  auto fail = [&](QString message, bool usage) -> std::optional<BrokerSettings> {
    *error = {std::move(message), usage};
    return std::nullopt;
  };
  std::string urlError;
  const auto url = parseBrokerUrl(config.url, &urlError);
  if (!url)
    return fail(QCoreApplication::translate("BrokerSetup", "broker URL '%1': %2")
                    .arg(QString::fromStdString(config.url), translated(urlError.c_str())),
                true);

  BrokerSettings broker;
  broker.url = *url;
  broker.user = QString::fromStdString(config.user);
  broker.password = QString::fromStdString(config.password);
  if (!config.passwordFile.empty()) {
    QString why;
    const auto password = readPasswordFile(QString::fromStdString(config.passwordFile), &why);
    if (!password) return fail(why, false);
    broker.password = *password;
  }
  if (!broker.password.isEmpty() && broker.user.isEmpty())
    return fail(
        QCoreApplication::translate(
            "BrokerSetup", "a password without a user name: give user = NAME or --user NAME"),
        true);
  for (const auto& [name, file] :
       {std::pair{"ca", config.ca}, std::pair{"cert", config.cert}, std::pair{"key", config.key}}) {
    if (file.empty()) continue;
    if (!url->tls)
      return fail(QCoreApplication::translate(
                      "BrokerSetup", "%1 = %2 is given, but the broker URL is not mqtts://")
                      .arg(QLatin1String(name), QString::fromStdString(file)),
                  true);
    QFile f(QString::fromStdString(file));
    if (!f.open(QIODevice::ReadOnly))
      return fail(QCoreApplication::translate("BrokerSetup", "cannot read the %1 file %2: %3")
                      .arg(QLatin1String(name), f.fileName(), f.errorString()),
                  false);
  }
  if (config.cert.empty() != config.key.empty())
    return fail(
        QCoreApplication::translate("BrokerSetup", "a client certificate needs both cert and key"),
        true);
  broker.ca = QString::fromStdString(config.ca);
  broker.cert = QString::fromStdString(config.cert);
  broker.key = QString::fromStdString(config.key);
  broker.keepalive = config.keepalive;
  broker.version = config.version;
  return broker;
}

}  // namespace lux::publish
