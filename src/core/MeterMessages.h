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

// Shown when a click waited in vain for another exchange with the meter to end.
inline QString meterBusyMessage() {
  return QCoreApplication::translate(
      "MeterExchange",
      "The meter is busy with another command.\r\nTry again when it has finished.");
}

}  // namespace lux
