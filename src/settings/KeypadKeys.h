#pragma once
// The keys of the on-screen keypad as the meter knows them: the letter each sends and whether
// the meter refuses it while its logger records (INTV shown). The keypad window and
// luxpanel-cli's "press" both take them from here, so a key never sends one letter in the
// window and another from a script.
#include <array>
#include <optional>
#include <string_view>

#include "link/Commands.h"

namespace lux {

enum class KeypadKey {
  Power,         // "Pwr": "O", then the meter is waited for again
  Set,           // "SET": no letter on the line
  Time,          // "B"
  LxFc,          // "F"
  Hold,          // "H" on the keypad: "C"
  Read,          // "L"
  Cd,            // "cd": the meter's own distance read ("Z") and sent back ("I")
  AutoRecord,    // "M": "P"
  ManualRecord,  // "m": "J"
  Percent,       // "G"
  Avg,           // "D"
  Comp,          // "X"
  Up,            // "K"
  Enter,         // "H"
  Down,          // "N"
};

struct KeypadKeyInfo {
  KeypadKey key;
  std::string_view name;  // the key's name on the command line: its button's name without "Cmd"
  std::optional<Command> letter;  // the one letter a plain key sends
  bool refusedWhileLogging;       // does nothing while the meter shows INTV
};

inline constexpr std::array<KeypadKeyInfo, 15> kKeypadKeys = {{
    {KeypadKey::Power, "power", Command::KeyPower, false},
    {KeypadKey::Set, "set", std::nullopt, false},
    {KeypadKey::Time, "time", Command::KeyTime, false},
    {KeypadKey::LxFc, "lxfc", Command::KeyLxFc, true},
    {KeypadKey::Hold, "h", Command::KeyHold, true},
    {KeypadKey::Read, "read", Command::KeyRead, true},
    {KeypadKey::Cd, "cd", std::nullopt, true},
    {KeypadKey::AutoRecord, "mem", Command::KeyAutoRecord, true},
    {KeypadKey::ManualRecord, "mmm", Command::KeyManualRecord, true},
    {KeypadKey::Percent, "percent", Command::KeyPercent, true},
    {KeypadKey::Avg, "avg", Command::KeyAvg, true},
    {KeypadKey::Comp, "comp", Command::KeyComp, true},
    {KeypadKey::Up, "up", Command::KeyUp, true},
    {KeypadKey::Enter, "enter", Command::Enter, false},
    {KeypadKey::Down, "down", Command::KeyDown, true},
}};

constexpr const KeypadKeyInfo& keypadKey(KeypadKey k) {
  return kKeypadKeys[static_cast<std::size_t>(k)];
}

// The key called `name` on the command line (lower case as listed), or nothing.
inline std::optional<KeypadKey> keypadKeyNamed(std::string_view name) {
  for (const KeypadKeyInfo& k : kKeypadKeys)
    if (k.name == name) return k.key;
  return std::nullopt;
}

}  // namespace lux
