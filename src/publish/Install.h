#pragma once
// Publishing the panel's readings: the program's DesktopPublishing and its "Publish readings"
// window, opened through `hooks.showPublishing`.
#include <QSettings>
#include <QString>
#include <memory>

#include "core/Context.h"
#include "publish/DesktopPublishing.h"

namespace lux {

// The publishing of the context's session, its settings kept in `settings`, its waiting
// readings in `stateDir`. The result lives as long as `ctx`; closing the panel stops it.
std::unique_ptr<DesktopPublishing> installPublishing(Context& ctx, QSettings& settings,
                                                     const QString& stateDir);

}  // namespace lux
