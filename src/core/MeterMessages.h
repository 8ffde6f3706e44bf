#pragma once
// Words every subsystem uses when the meter lets it down.
#include <QCoreApplication>
#include <QString>

namespace lux {

// Shown when the meter did not answer within the bound.
inline QString meterSilentMessage() {
  return QCoreApplication::translate(
      "MeterExchange",
      "The meter did not answer.\r\nCheck that it is switched on and connected, then try "
      "again.");
}

}  // namespace lux
