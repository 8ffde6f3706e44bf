#pragma once
// Serves a simulated meter on a pseudo-terminal in real time, so the program (or any serial
// tool) can open the slave side as if it were the meter's port. A worker thread reads what the
// program writes, feeds the meter with steady-clock time and writes what the meter has due.
// The server keeps its own slave descriptor open, so the program closing and reopening the port
// never hangs the line up; a stable symlink survives pty numbers being reused.
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "sim/SimMeter.h"

namespace lux::sim {

class PtyServer {
 public:
  // A meter as a user meets it: its clock set to this PC's local time, the drifting lamp, the
  // rare overload.
  static SimMeter::Options liveOptions();

  explicit PtyServer(SimMeter::Options options = liveOptions());
  ~PtyServer();
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  // Opens the pty and starts serving. `linkPath`, when not empty, is (re)created as a symlink to
  // the slave path. Returns false with the reason in `error` when the pty cannot be set up.
  bool start(const std::string& linkPath = {}, std::string* error = nullptr);
  // Stops the worker, closes the pty, removes the symlink. Safe to call twice.
  void stop();
  bool running() const { return running_; }

  std::string slavePath() const { return slavePath_; }
  std::string linkPath() const { return linkPath_; }
  // The path a program should open: the symlink when there is one, else the slave path.
  std::string portPath() const { return linkPath_.empty() ? slavePath_ : linkPath_; }

  // Runs `f` on the meter under the server's lock, with the meter's present time (misbehaviour
  // commands, state changes, reading the logs), from any thread.
  void withMeter(const std::function<void(SimMeter&, double now)>& f);
  // Seconds on the server's steady clock (the meter's time base).
  double now() const;
  // Before start(): every byte the program writes ("<") and the meter sends (">") goes to
  // `path` as a line "seconds direction hex". False when the file cannot be created.
  bool setWireLog(const std::string& path);

 private:
  void run();

  SimMeter meter_;
  std::mutex mutex_;
  std::thread worker_;
  std::atomic<bool> running_{false};
  std::atomic<bool> stopRequested_{false};
  int master_ = -1;
  int slave_ = -1;
  int wakeRead_ = -1, wakeWrite_ = -1;
  std::string slavePath_;
  std::string linkPath_;
  std::string pendingOut_;  // taken from the meter, not yet accepted by the pty
  long long startNs_ = 0;
  std::FILE* wireLog_ = nullptr;
  void logWire(char direction, const char* bytes, std::size_t size);
};

}  // namespace lux::sim
