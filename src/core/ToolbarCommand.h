#pragma once
// The panel's toolbar commands as a type. A subsystem registers its command under its
// enumerator; the toolbar and the menu share one action per command and run it by the same
// enumerator, so a command can be neither misspelt nor found by a name.
#include <array>
#include <cstddef>
#include <functional>
#include <vector>

namespace lux {

enum class ToolbarCommand {
  Save,
  Open,
  PC,
  List,
  Graph,
  TimeSet,
  Memory,
  CD,
  Comp,
  Hold,
  Buttons,
  Esc,
};

inline constexpr std::size_t kToolbarCommandCount = 12;

// Left to right as the toolbar shows them.
inline constexpr std::array<ToolbarCommand, kToolbarCommandCount> kToolbarCommands = {
    ToolbarCommand::Save,  ToolbarCommand::Open,    ToolbarCommand::PC,      ToolbarCommand::List,
    ToolbarCommand::Graph, ToolbarCommand::TimeSet, ToolbarCommand::Memory,  ToolbarCommand::CD,
    ToolbarCommand::Comp,  ToolbarCommand::Hold,    ToolbarCommand::Buttons, ToolbarCommand::Esc,
};

// The button's key ("Save", "Open", ... "ESC"): its objectName, by which scripts and the
// accessibility tools know it. Nothing in the program dispatches on it.
constexpr const char* toolbarKey(ToolbarCommand c) {
  switch (c) {
    case ToolbarCommand::Save:
      return "Save";
    case ToolbarCommand::Open:
      return "Open";
    case ToolbarCommand::PC:
      return "PC";
    case ToolbarCommand::List:
      return "List";
    case ToolbarCommand::Graph:
      return "Graph";
    case ToolbarCommand::TimeSet:
      return "TimeSet";
    case ToolbarCommand::Memory:
      return "Memory";
    case ToolbarCommand::CD:
      return "CD";
    case ToolbarCommand::Comp:
      return "Comp";
    case ToolbarCommand::Hold:
      return "Hold";
    case ToolbarCommand::Buttons:
      return "Buttons";
    case ToolbarCommand::Esc:
      return "ESC";
  }
  return "";
}

constexpr std::size_t indexOf(ToolbarCommand c) {
  return static_cast<std::size_t>(c);
}

// What each toolbar command runs, registered by the subsystem that owns it.
class CommandTable {
 public:
  void add(ToolbarCommand c, std::function<void()> run) { runs_[indexOf(c)] = std::move(run); }
  bool has(ToolbarCommand c) const { return static_cast<bool>(runs_[indexOf(c)]); }
  // Runs the command; false when nobody registered it.
  bool run(ToolbarCommand c) const {
    const auto& f = runs_[indexOf(c)];
    if (!f) return false;
    f();
    return true;
  }
  // The commands nobody registered: after the program's installation, none.
  std::vector<ToolbarCommand> missing() const {
    std::vector<ToolbarCommand> out;
    for (ToolbarCommand c : kToolbarCommands)
      if (!has(c)) out.push_back(c);
    return out;
  }

 private:
  std::array<std::function<void()>, kToolbarCommandCount> runs_{};
};

static_assert(indexOf(kToolbarCommands.back()) + 1 == kToolbarCommandCount,
              "every toolbar command has its place on the toolbar");

}  // namespace lux
