#pragma once
// `luxpanel-cli publish`: readings of one or more meters to an MQTT broker.
#include <QString>
#include <QStringList>
#include <optional>

#include "publish/engine/PublishConfig.h"

namespace lux::cli {

// Where the spools live: --state-dir, else systemd's StateDirectory ($STATE_DIRECTORY, its first
// entry), else $XDG_STATE_HOME/luxpanel, else ~/.local/state/luxpanel.
QString publishStateDir(const QString& option);

// Why a file holding a password must not be used as it is: readable by others, not a regular
// file. Empty when it is fine.
QString passwordFileProblem(const QString& path);

// The password on the first line of `path`; nothing (with `error`) when unreadable or unsafe.
std::optional<QString> readPasswordFile(const QString& path, QString* error);

}  // namespace lux::cli
