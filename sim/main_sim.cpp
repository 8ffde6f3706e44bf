// luxpanel-sim: the simulated light meter on a pseudo-terminal. Prints the port path on the first
// line of stdout, then takes control commands on stdin, one per line (see --help), so a person,
// an end-to-end test or a soak script can make the meter misbehave while the program talks to it.
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "sim/PtyServer.h"

namespace {

std::atomic<bool> gStop{false};
void onSignal(int) {
  gStop = true;
}

const char* kHelp =
    "usage: luxpanel-sim [--link PATH] [--paced] [--seed N] [--no-overloads] [--wire-log PATH]\n"
    "Serves a simulated light meter (19200,n,8,1) on a pseudo-terminal and prints its path.\n"
    "  --link PATH     also publish the port as a symbolic link at PATH\n"
    "  --paced         send at the line's real rate (1920 bytes/s) instead of at once\n"
    "  --seed N        seed of the drifting lamp and its noise (default 1)\n"
    "  --no-overloads  never show the rare overload on its own\n"
    "  --wire-log PATH every byte on the line to PATH, one line per burst: seconds, \"<\" (from\n"
    "                  the program) or \">\" (from the meter), the bytes in hex\n"
    "Commands on stdin, one per line (each answered with a line on stdout):\n"
    "  silence SECONDS          send nothing and answer nothing for that long\n"
    "  power                    the power key: off for 2 s, back in plain mode\n"
    "  garbage N                put N random bytes on the line\n"
    "  split on|off             deliver each frame in two or three parts\n"
    "  misframe N               corrupt the start or end byte of the next N frames\n"
    "  overload [on|off]        show OL (no argument: toggle)\n"
    "  unit [lx|fc]             switch the unit (no argument: toggle)\n"
    "  reading VALUE DECIMALS   show a fixed reading;  drift  the drifting lamp again\n"
    "  mode rel|ref|pct|cd|fch|lxh|setup|comp|hold|intv|off\n"
    "                           show that mode (intv starts a logger run; off ends all)\n"
    "  truncate-dump N|off      memory dumps stop after N bytes\n"
    "  fill-logger [SETS]       fill the logger memory to the top (default 3 sets)\n"
    "  preload-logger SETS RECORDS   SETS sets of RECORDS records each\n"
    "  erase                    empty the logger memory\n"
    "  paced on|off             line-rate pacing\n"
    "  log PATH                 append every displayed reading to PATH (time TAB text TAB unit)\n"
    "  logger-sets PATH         write the logger sets to PATH: a line \"set K DD-hh:nn:ss\n"
    "                           INTERVAL RECORDS\", then \"VALUE RANGE\" for each record\n"
    "  status                   one line: address, unit, reading, streaming, logger\n"
    "  quit                     stop serving and exit\n";

std::string wallClockText() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03ld", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                ts.tv_nsec / 1000000);
  return buf;
}

bool onOff(const std::string& word, bool* value) {
  if (word == "on") return *value = true, true;
  if (word == "off") return *value = false, true;
  return false;
}

using lux::sim::Annunciator;
using lux::sim::SimMeter;

// Runs one control command; returns the answer line ("ok ..." or "error: ...").
std::string runCommand(lux::sim::PtyServer& server, const std::string& line,
                       std::shared_ptr<std::ofstream>& log, bool* quit) {
  std::istringstream in(line);
  std::string cmd, arg1, arg2;
  in >> cmd >> arg1 >> arg2;
  if (cmd.empty()) return {};
  std::string answer = "ok " + cmd;
  auto number = [](const std::string& s, double* v) {
    char* end = nullptr;
    *v = std::strtod(s.c_str(), &end);
    return !s.empty() && end && *end == '\0';
  };
  double n = 0, m = 0;
  bool flag = false;
  if (cmd == "quit" || cmd == "exit") {
    *quit = true;
  } else if (cmd == "help") {
    return kHelp;
  } else if (cmd == "silence" && number(arg1, &n) && n >= 0) {
    server.withMeter([&](SimMeter& s, double) { s.goSilent(n); });
  } else if (cmd == "power") {
    server.withMeter([&](SimMeter& s, double) { s.powerCycle(2.0); });
  } else if (cmd == "garbage" && number(arg1, &n) && n >= 0 && n <= 1e6) {
    server.withMeter([&](SimMeter& s, double) { s.injectRandomGarbage(static_cast<size_t>(n)); });
  } else if (cmd == "split" && onOff(arg1, &flag)) {
    server.withMeter([&](SimMeter& s, double) { s.splitFrames(flag); });
  } else if (cmd == "misframe" && number(arg1, &n) && n >= 0) {
    server.withMeter([&](SimMeter& s, double) { s.misframeNext(static_cast<int>(n)); });
  } else if (cmd == "overload" && (arg1.empty() || onOff(arg1, &flag))) {
    server.withMeter([&](SimMeter& s, double) {
      bool on = arg1.empty() ? !(s.readingText() == "OL") : flag;
      s.setOverload(on);
    });
  } else if (cmd == "unit" && (arg1.empty() || arg1 == "lx" || arg1 == "fc")) {
    server.withMeter(
        [&](SimMeter& s, double) { s.setLux(arg1.empty() ? !s.lux() : arg1 == "lx"); });
  } else if (cmd == "reading" && number(arg1, &n) && number(arg2, &m) && m >= 0 && m <= 3) {
    server.withMeter([&](SimMeter& s, double) { s.setReading(n, static_cast<int>(m)); });
  } else if (cmd == "drift") {
    server.withMeter([&](SimMeter& s, double) { s.setDrift(true); });
  } else if (cmd == "mode") {
    static const std::pair<const char*, Annunciator> modes[] = {
        {"rel", Annunciator::Rel},     {"ref", Annunciator::Ref},    {"pct", Annunciator::Percent},
        {"cd", Annunciator::Cd},       {"fch", Annunciator::FcHour}, {"lxh", Annunciator::LxHour},
        {"setup", Annunciator::SetUp}, {"comp", Annunciator::Comp},  {"hold", Annunciator::Hold}};
    bool known = arg1 == "off" || arg1 == "intv";
    for (auto& [name, a] : modes) known = known || arg1 == name;
    if (!known) return "error: unknown mode '" + arg1 + "'";
    server.withMeter([&](SimMeter& s, double now) {
      for (auto& [name, a] : modes) s.setAnnunciator(a, arg1 == name);
      if (arg1 == "intv")
        s.startLogging(now);
      else if (arg1 == "off")
        s.stopLogging(now);
    });
  } else if (cmd == "truncate-dump" && (arg1 == "off" || (number(arg1, &n) && n >= 0))) {
    server.withMeter([&](SimMeter& s, double) {
      s.truncateDumpAfter(arg1 == "off" ? std::nullopt
                                        : std::optional<std::size_t>(static_cast<size_t>(n)));
    });
  } else if (cmd == "fill-logger" && (arg1.empty() || (number(arg1, &n) && n >= 1 && n <= 9999))) {
    server.withMeter([&](SimMeter& s, double) { s.fillLoggerMemory(arg1.empty() ? 3 : int(n)); });
  } else if (cmd == "preload-logger" && number(arg1, &n) && number(arg2, &m) && n >= 0 && m >= 1) {
    std::string why;
    server.withMeter([&](SimMeter& s, double) {
      try {
        s.preloadLoggerSets(static_cast<int>(n), static_cast<int>(m));
      } catch (const std::exception& e) {
        why = e.what();
      }
    });
    if (!why.empty()) return "error: " + why;
  } else if (cmd == "erase") {
    server.withMeter([&](SimMeter& s, double) { s.eraseLogger(); });
  } else if (cmd == "paced" && onOff(arg1, &flag)) {
    server.withMeter([&](SimMeter& s, double) { s.setPaced(flag); });
  } else if (cmd == "log" && !arg1.empty()) {
    auto file = std::make_shared<std::ofstream>(arg1, std::ios::app);
    if (!*file) return "error: cannot open " + arg1;
    log = file;
    server.withMeter([&](SimMeter& s, double) {
      s.onDisplay([file](const lux::sim::DisplayedReading& r) {
        *file << wallClockText() << '\t' << r.text << '\t' << r.unit
              << (r.intact ? "" : "\tmisframed") << '\n';
        file->flush();
      });
    });
  } else if (cmd == "logger-sets" && !arg1.empty()) {
    // The sets as the meter holds them, for tests that compare a download with them.
    std::ofstream file(arg1, std::ios::trunc);
    if (!file) return "error: cannot open " + arg1;
    server.withMeter([&](SimMeter& s, double) {
      int k = 0;
      for (const lux::sim::LoggerSet& set : s.loggerSets()) {
        char start[32];
        std::snprintf(start, sizeof start, "%02d-%02d:%02d:%02d", set.start.day, set.start.hour,
                      set.start.minute, set.start.second);
        file << "set " << ++k << ' ' << start << ' '
             << set.intervalMinutes * 60 + set.intervalSeconds << ' ' << set.records.size() << '\n';
        for (const lux::sim::LoggerRecord& r : set.records)
          file << (r.high * 256 + r.low) << ' ' << int(r.range) << '\n';
      }
    });
    if (!file.flush()) return "error: cannot write " + arg1;
  } else if (cmd == "status") {
    server.withMeter([&](SimMeter& s, double now) {
      std::ostringstream o;
      o << "ok status address " << s.loggerAddress() << " unit " << s.unitText() << " reading "
        << s.readingText() << " streaming " << (s.streaming(now) ? "yes" : "no") << " logger "
        << (s.loggerRecording() ? "recording" : "idle") << " sets " << s.loggerSets().size();
      answer = o.str();
    });
  } else {
    return "error: cannot understand '" + line + "' (try help)";
  }
  return answer;
}

}  // namespace

int main(int argc, char** argv) {
  std::string link, wireLog;
  lux::sim::SimMeter::Options options = lux::sim::PtyServer::liveOptions();
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (a == "--link" && i + 1 < argc) {
      link = argv[++i];
    } else if (a == "--paced") {
      options.paced = true;
    } else if (a == "--seed" && i + 1 < argc) {
      options.seed = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
    } else if (a == "--no-overloads") {
      options.randomOverloads = false;
    } else if (a == "--wire-log" && i + 1 < argc) {
      wireLog = argv[++i];
    } else {
      std::fprintf(stderr, "luxpanel-sim: unknown argument '%s'\n%s", a.c_str(), kHelp);
      return 2;
    }
  }
  std::signal(SIGINT, onSignal);
  std::signal(SIGTERM, onSignal);
  std::signal(SIGPIPE, SIG_IGN);

  lux::sim::PtyServer server(options);
  if (!wireLog.empty() && !server.setWireLog(wireLog)) {
    std::fprintf(stderr, "luxpanel-sim: cannot write the wire log %s\n", wireLog.c_str());
    return 1;
  }
  std::string error;
  if (!server.start(link, &error)) {
    std::fprintf(stderr, "luxpanel-sim: cannot serve the meter: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s\n", server.slavePath().c_str());
  std::fflush(stdout);

  std::shared_ptr<std::ofstream> log;
  std::string pending;
  bool quit = false, stdinOpen = true;
  while (!quit && !gStop) {
    if (!stdinOpen) {
      // Without a console the meter serves until a signal ends it.
      ::usleep(100000);
      continue;
    }
    pollfd p{STDIN_FILENO, POLLIN, 0};
    int rc = ::poll(&p, 1, 100);
    if (rc <= 0) continue;
    char buf[1024];
    ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n <= 0) {
      stdinOpen = false;
      continue;
    }
    pending.append(buf, static_cast<size_t>(n));
    for (std::size_t nl; !quit && (nl = pending.find('\n')) != std::string::npos;) {
      std::string line = pending.substr(0, nl);
      pending.erase(0, nl + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::string answer = runCommand(server, line, log, &quit);
      if (!answer.empty()) {
        std::fputs(answer.c_str(), stdout);
        if (answer.back() != '\n') std::fputc('\n', stdout);
        std::fflush(stdout);
      }
    }
  }
  server.withMeter([](SimMeter& s, double) { s.onDisplay(nullptr); });
  server.stop();
  return 0;
}
