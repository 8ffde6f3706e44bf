#pragma once
// From the text of the port window's box to the port the program opens. Plain C++: the mapping
// is exact and case-sensitive, and is tested on its own.
#include <string>
#include <string_view>

namespace lux {

struct PortChoice {
  int comPortNumber = 0;   // 1..16 for "COM1".."COM16" and "Auto"; otherwise left as it was
  std::string deviceName;  // the device to open; empty when the text names no port
};

// "Auto" and "COM1" give 1, "COM2".."COM16" give 2..16 (whole text, exact case). A typed
// device path (/dev/ttyUSB0, /dev/pts/3, a symlink, or ./m0 and ../m0 from the current folder)
// is opened as it stands and leaves the number unchanged. Anything else ("com3", "COM17", "")
// leaves both unchanged: the open then fails and the user is told that no device was found.
PortChoice choosePort(std::string_view text, PortChoice current = {});

// The device of port number n on this system: COMn is /dev/ttyS(n-1). Empty for n < 1.
std::string deviceForComNumber(int n);

}  // namespace lux
