#include "link/PortChoice.h"

namespace lux {

std::string deviceForComNumber(int n) {
  if (n < 1) return {};
  return "/dev/ttyS" + std::to_string(n - 1);
}

PortChoice choosePort(std::string_view text, PortChoice current) {
  if (text == "Auto") return {1, deviceForComNumber(1)};
  for (int n = 1; n <= 16; ++n) {
    if (text == "COM" + std::to_string(n)) return {n, deviceForComNumber(n)};
  }
  // A path from the current folder (./ or ../) is a device path too: a test rig's
  // pseudo-terminal is often named so.
  const auto pathAfter = [text](std::string_view head) {
    return text.size() > head.size() && text.starts_with(head);
  };
  if (pathAfter("/") || pathAfter("./") || pathAfter("../")) {
    current.deviceName = std::string(text);
    return current;
  }
  return current;
}

}  // namespace lux
