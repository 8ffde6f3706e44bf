#pragma once
// `luxpanel-cli publish`: readings of one or more meters to an MQTT broker.
#include <QString>
#include <QStringList>

namespace lux::cli {

// Where the spools live: --state-dir, else systemd's StateDirectory ($STATE_DIRECTORY, its first
// entry), else $XDG_STATE_HOME/luxpanel, else ~/.local/state/luxpanel.
QString publishStateDir(const QString& option);

}  // namespace lux::cli
