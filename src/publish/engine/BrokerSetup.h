#pragma once
// The broker half of a publisher's configuration made ready to connect, for the command line and
// the panel alike: the URL read, the password taken from its file (refused while others can read
// it), the TLS files checked. The messages are the program's own texts: the panel shows them in
// the user's language, the command line as written.
#include <QString>
#include <optional>

#include "publish/engine/MqttClient.h"
#include "publish/engine/PublishConfig.h"

namespace lux::publish {

// Why a file holding a password must not be used as it is: unreadable, not a regular file, or
// readable by others (with the command that makes it private). Empty when it is fine.
QString passwordFileProblem(const QString& path);

// The password on the first line of `path`; nothing (with `error`) when unreadable or unsafe.
std::optional<QString> readPasswordFile(const QString& path, QString* error);

struct BrokerSetupError {
  QString message;
  // The configuration itself is wrong (a usage error); otherwise a file it names cannot be used.
  bool usage = true;
};

// The connection settings of `config` (the client id is left to the caller); nothing, with the
// reason, when the URL, the password file, the user name or the TLS files do not do.
std::optional<BrokerSettings> brokerSettingsOf(const BrokerConfig& config, BrokerSetupError* error);

}  // namespace lux::publish
