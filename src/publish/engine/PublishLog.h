#pragma once
// The publisher's log category, "lux.publish": warnings (the broker lost, readings dropped) are
// shown, the rest only when asked for with QT_LOGGING_RULES="lux.publish.debug=true".
#include <QLoggingCategory>

namespace lux::publish {
Q_DECLARE_LOGGING_CATEGORY(lcPublish)
}
