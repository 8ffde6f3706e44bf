#pragma once
// The settings suites' names for the test rig (support/MeterRig.h): a program context around the
// in-process simulated meter on a fake clock, with scripted dialogs and a poll switch that
// records how it was flipped, talking through a line that can drop letters or add stray bytes.
#include <string>

#include <gtest/gtest.h>

#include "core/ToolbarCommand.h"
#include "support/MeterRig.h"

namespace lux::test {

using MeterBench = MeterRig;
using DeafPort = LinePort;

// The toolbar command whose button has this key ("Hold"), for tests written by key.
inline ToolbarCommand commandKeyed(const char* key) {
  for (ToolbarCommand c : kToolbarCommands)
    if (std::string(toolbarKey(c)) == key) return c;
  ADD_FAILURE() << "no toolbar key " << key;
  return ToolbarCommand::Esc;
}

inline std::string bytes(std::initializer_list<int> v) {
  std::string s;
  for (int b : v) s.push_back(static_cast<char>(b));
  return s;
}

// Letters without the handshakes between them: "AHAZAI" -> "HZI".
inline std::string withoutHandshakes(const std::string& letters) {
  std::string out;
  for (char c : letters)
    if (c != 'A') out.push_back(c);
  return out;
}

}  // namespace lux::test
