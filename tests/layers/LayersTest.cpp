// The layers of the program, read off its sources: every `#include` of src/ and sim/ is checked
// against what its folder may include, so that an arrow against the layers fails here even where
// the build would not notice (a header the include roots happen to reach another way).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Include {
  std::string file;  // relative to the source tree, e.g. "src/records/Install.cpp"
  int line = 0;
  std::string target;  // what the line names, e.g. "records/Recording.h" or "QWidget"
  bool angled = false;
};

// The `#include` lines of one file, with blanks around the '#' allowed.
std::vector<Include> includesOf(const fs::path& path, const std::string& shown) {
  std::vector<Include> found;
  std::ifstream in(path);
  std::string text;
  int number = 0;
  while (std::getline(in, text)) {
    ++number;
    std::size_t i = text.find_first_not_of(" \t");
    if (i == std::string::npos || text[i] != '#') continue;
    i = text.find_first_not_of(" \t", i + 1);
    if (i == std::string::npos || text.compare(i, 7, "include") != 0) continue;
    i = text.find_first_not_of(" \t", i + 7);
    if (i == std::string::npos) continue;
    const char open = text[i];
    const char close = open == '<' ? '>' : open == '"' ? '"' : 0;
    if (!close) continue;
    const std::size_t end = text.find(close, i + 1);
    if (end == std::string::npos) continue;
    found.push_back({shown, number, text.substr(i + 1, end - i - 1), open == '<'});
  }
  return found;
}

// The folder a file belongs to for the rules: "records", "records/engine", "sim", ...
std::string folderOf(const std::string& file) {
  if (file.rfind("sim/", 0) == 0) return "sim";
  const std::string rest = file.substr(4);  // after "src/"
  const std::size_t slash = rest.find('/');
  const std::string top = rest.substr(0, slash);
  const std::size_t second = rest.find('/', slash + 1);
  if (second != std::string::npos && rest.compare(slash + 1, second - slash - 1, "engine") == 0)
    return top + "/engine";
  return top;
}

const std::set<std::string> kFeatures = {"panel",  "records", "graphs", "logger",
                                         "settings", "survey",  "publish"};

// The folders whose code must build without any widget: the link, the core, the engines, the
// meter exchanges of the settings, the headless program and the simulated meter.
bool mustStayWithoutWidgets(const std::string& file) {
  const std::string folder = folderOf(file);
  if (folder == "link" || folder == "core" || folder == "cli" || folder == "sim") return true;
  if (folder.size() > 7 && folder.compare(folder.size() - 7, 7, "/engine") == 0) return true;
  return file.rfind("src/settings/MeterExchange.", 0) == 0 ||
         file.rfind("src/settings/KeypadKeys.", 0) == 0 ||
         file.rfind("src/settings/SettingsPayloads.", 0) == 0;
}

// Why a quoted include of `file` runs against the layers; nothing when it is allowed.
std::optional<std::string> layerFault(const std::string& file, const std::string& target) {
  const std::size_t slash = target.find('/');
  if (slash == std::string::npos)
    return std::nullopt;  // a file beside it (moc output and the like)
  const std::string to = target.substr(0, slash);
  std::string from = folderOf(file);
  const std::size_t engine = from.find("/engine");
  const bool isEngine = engine != std::string::npos;
  if (isEngine) from = from.substr(0, engine);

  if (to == "app" && from != "app") return "nothing but the application includes app/";
  if (from == "app") return std::nullopt;
  if (from == "link" || from == "ui" || from == "sim") {
    if (to != from) return from + "/ includes only itself";
    return std::nullopt;
  }
  if (from == "core") {
    if (to != "core" && to != "link" && to != "ui") return "core/ includes only core, link and ui";
    return std::nullopt;
  }
  if (kFeatures.count(from)) {
    if (isEngine && to == "ui") return "an engine includes nothing of the window layer";
    if (isEngine && target.rfind(from + "/", 0) == 0 &&
        target.find("/engine/") == std::string::npos &&
        target.find("State.h") == std::string::npos && target != from + "/MemoryDump.h" &&
        target != from + "/ListingTime.h" && target != from + "/DataFormat.h" &&
        target != from + "/CsvFormat.h" && target != from + "/RecordLines.h")
      return "an engine includes only its own plain parts, not its folder's windows";
    if (to == from || to == "core" || to == "link" || to == "ui") return std::nullopt;
    return from + "/ reaches another subsystem (" + to + "/) other than through core/";
  }
  if (from == "cli") {
    // Of the settings only the exchanges and payloads without windows, which "set" and "press"
    // share with the panel.
    if (to == "settings" && target != "settings/MeterExchange.h" &&
        target != "settings/SettingsPayloads.h" && target != "settings/KeypadKeys.h")
      return "the headless program includes only the settings exchanges, not their windows";
    if (to == "ui" || to == "panel" || to == "graphs")
      return "the headless program includes no window subsystem";
    return std::nullopt;
  }
  return "a folder the layers do not know: " + from;
}

struct Tree {
  std::vector<Include> includes;
  int files = 0;
};

Tree readTree() {
  Tree t;
  const fs::path root(LUX_SOURCE_DIR);
  for (const char* top : {"src", "sim"}) {
    for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
      if (!entry.is_regular_file()) continue;
      const std::string ext = entry.path().extension().string();
      if (ext != ".h" && ext != ".cpp") continue;
      ++t.files;
      const std::string shown = fs::relative(entry.path(), root).generic_string();
      for (auto& inc : includesOf(entry.path(), shown)) t.includes.push_back(std::move(inc));
    }
  }
  return t;
}

// Whether `<name>` is one of Qt Widgets' headers, as this machine's Qt installs them.
bool isWidgetsHeader(const std::string& name) {
  if (name.rfind("QtWidgets/", 0) == 0 || name == "QtWidgets") return true;
  if (name.rfind("qcustomplot", 0) == 0 || name.rfind("QtPrintSupport", 0) == 0) return true;
  std::stringstream dirs(LUX_WIDGETS_INCLUDES);
  std::string dir;
  while (std::getline(dirs, dir, '|')) {
    const fs::path p(dir);
    if (p.filename() == "QtWidgets" && fs::exists(p / name)) return true;
  }
  return false;
}

// Whether `<name>` is one of Qt Gui's headers (painting, images, fonts: the window layer's).
bool isGuiHeader(const std::string& name) {
  if (name.rfind("QtGui/", 0) == 0 || name == "QtGui") return true;
  std::stringstream dirs(LUX_GUI_INCLUDES);
  std::string dir;
  while (std::getline(dirs, dir, '|')) {
    const fs::path p(dir);
    if (p.filename() == "QtGui" && fs::exists(p / name)) return true;
  }
  return false;
}

// The sources of `top` (relative to the source tree) whose text holds `needle`.
std::set<std::string> filesHolding(const std::vector<std::string>& tops,
                                   const std::string& needle) {
  std::set<std::string> found;
  const fs::path root(LUX_SOURCE_DIR);
  for (const std::string& top : tops) {
    for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
      if (!entry.is_regular_file()) continue;
      const std::string ext = entry.path().extension().string();
      if (ext != ".h" && ext != ".cpp") continue;
      std::ifstream in(entry.path());
      std::stringstream text;
      text << in.rdbuf();
      if (text.str().find(needle) != std::string::npos)
        found.insert(fs::relative(entry.path(), root).generic_string());
    }
  }
  return found;
}

std::string listed(const std::vector<std::string>& faults) {
  std::string all;
  for (const auto& f : faults) all += "\n  " + f;
  return all;
}

TEST(Layers, TheRulesThemselvesTellAllowedFromForbidden) {
  EXPECT_FALSE(layerFault("src/records/Install.cpp", "records/Recording.h"));
  EXPECT_FALSE(layerFault("src/records/Install.cpp", "core/Context.h"));
  EXPECT_FALSE(layerFault("src/logger/LoggerWindows.cpp", "ui/GridModel.h"));
  EXPECT_FALSE(layerFault("src/app/Program.cpp", "records/Install.h"));
  EXPECT_FALSE(layerFault("src/core/Context.h", "link/MeterLink.h"));
  EXPECT_FALSE(layerFault("src/cli/CliFormat.h", "records/CsvFormat.h"));
  EXPECT_TRUE(layerFault("src/logger/LoggerWindows.cpp", "records/FileTransfer.h"));
  EXPECT_TRUE(layerFault("src/panel/Toolbar.cpp", "records/Recording.h"));
  EXPECT_TRUE(layerFault("src/graphs/GraphWindows.cpp", "app/AppState.h"));
  EXPECT_TRUE(layerFault("src/link/MeterLink.h", "core/PollControl.h"));
  EXPECT_TRUE(layerFault("src/link/MeterLink.h", "ui/Dialogs.h"));
  EXPECT_TRUE(layerFault("src/core/Context.h", "records/RecordingState.h"));
  EXPECT_TRUE(layerFault("src/cli/Recorder.cpp", "app/CsvExport.h"));
  EXPECT_TRUE(layerFault("src/cli/Recorder.cpp", "panel/Panel.h"));
  EXPECT_FALSE(layerFault("src/cli/SettingsCommands.cpp", "settings/MeterExchange.h"));
  EXPECT_TRUE(layerFault("src/cli/SettingsCommands.cpp", "settings/Comparator.h"));
  EXPECT_TRUE(layerFault("src/records/engine/RecordingEngine.cpp", "records/ListWindows.h"));
  EXPECT_TRUE(layerFault("src/records/engine/RecordingEngine.cpp", "ui/Dialogs.h"));
  EXPECT_TRUE(layerFault("sim/SimMeter.cpp", "link/FrameDecoder.h"));
  EXPECT_TRUE(layerFault("src/newfolder/X.cpp", "link/Clock.h"));

  EXPECT_TRUE(isWidgetsHeader("QWidget"));
  EXPECT_TRUE(isWidgetsHeader("QDialog"));
  EXPECT_TRUE(isWidgetsHeader("QtWidgets/QLabel"));
  EXPECT_FALSE(isWidgetsHeader("QObject"));
  EXPECT_FALSE(isWidgetsHeader("QString"));
}

TEST(Layers, NoIncludeRunsAgainstTheLayers) {
  const Tree tree = readTree();
  // The whole program is read: a wrong path would otherwise pass with nothing to check.
  ASSERT_GT(tree.files, 100);
  ASSERT_GT(tree.includes.size(), 500u);
  std::vector<std::string> faults;
  std::map<std::string, int> arrows;
  for (const Include& inc : tree.includes) {
    if (inc.angled) continue;
    const auto fault = layerFault(inc.file, inc.target);
    if (fault)
      faults.push_back(inc.file + ":" + std::to_string(inc.line) + " \"" + inc.target +
                       "\": " + *fault);
    const std::size_t slash = inc.target.find('/');
    if (slash != std::string::npos)
      ++arrows[folderOf(inc.file) + " -> " + inc.target.substr(0, slash)];
  }
  EXPECT_TRUE(faults.empty()) << listed(faults);
  // The arrows that hold the house together are there (the check sees the real includes).
  EXPECT_GT(arrows["records -> core"], 0);
  EXPECT_GT(arrows["app -> records"], 0);
}

TEST(Layers, NothingBelowTheWindowsIncludesQtWidgetsOrQtGui) {
  EXPECT_TRUE(isGuiHeader("QPainter"));
  EXPECT_TRUE(isGuiHeader("QtGui/QFont"));
  EXPECT_FALSE(isGuiHeader("QTimer"));
  const Tree tree = readTree();
  std::vector<std::string> faults;
  int checked = 0;
  for (const Include& inc : tree.includes) {
    if (!inc.angled || !mustStayWithoutWidgets(inc.file)) continue;
    ++checked;
    if (isWidgetsHeader(inc.target) || isGuiHeader(inc.target))
      faults.push_back(inc.file + ":" + std::to_string(inc.line) + " <" + inc.target + ">");
  }
  EXPECT_GT(checked, 50);
  EXPECT_TRUE(faults.empty()) << listed(faults);
}

// Frames are decoded in one place, the meter's session; the panel only paints what it reports,
// and luxpanel-cli reads no port by itself.
TEST(Layers, OnlyTheMeterSessionDecodesFramesAndThePanelPaints) {
  const std::set<std::string> decoders = filesHolding({"src", "sim", "probe"}, "decodeFrame(");
  std::set<std::string> callers;
  for (const std::string& f : decoders)
    if (f.rfind("src/link/FrameDecoder.", 0) != 0) callers.insert(f);
  EXPECT_EQ(callers, (std::set<std::string>{"src/link/MeterSession.cpp"}));

  EXPECT_TRUE(filesHolding({"src/panel"}, "decodeFrame").empty());
  EXPECT_TRUE(filesHolding({"src/panel"}, "FrameDecoder.h").empty());
  for (const char* reading : {"readAll(", "checkDisplayFrame", "bytesWaiting("})
    EXPECT_TRUE(filesHolding({"src/cli"}, reading).empty()) << reading;
}

}  // namespace
