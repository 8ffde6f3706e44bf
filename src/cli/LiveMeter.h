#pragma once
// The meter on a real serial line and the PC's clock, as every subcommand opens it.
#include "cli/CliMeter.h"
#include "link/QtSerialPort.h"
#include "link/SystemClock.h"

namespace lux::cli {

struct LiveMeter {
  SystemClock clock;
  QtSerialPort port;
  CliMeter session{port, clock};
};

}  // namespace lux::cli
