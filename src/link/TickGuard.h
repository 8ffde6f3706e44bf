#pragma once
// Runs one timer handler at a time. A wait inside a handler keeps window events running, so the
// handler's own timer can fall due again while it is still inside; that nested tick is skipped.
// A failure inside the handler (an exception of any kind, the program closing) ends that tick
// only; the next tick starts afresh.
#include <exception>
#include <utility>

#include "link/Logging.h"
#include "link/MeterLink.h"

namespace lux {

class TickGuard {
 public:
  enum class Outcome { Ran, Skipped, Failed, Aborted };

  template <class Handler>
  Outcome run(Handler&& handler) {
    if (running_) {
      ++skipped_;
      return Outcome::Skipped;
    }
    running_ = true;
    struct Release {
      bool& flag;
      ~Release() { flag = false; }
    } release{running_};
    try {
      std::forward<Handler>(handler)();
      return Outcome::Ran;
    } catch (const LinkAborted&) {
      return Outcome::Aborted;
    } catch (...) {
      // Nothing may escape into the event loop: Qt cannot unwind through it.
      ++failed_;
      logFailure(lcCore(), "a timer tick", std::current_exception());
      return Outcome::Failed;
    }
  }

  bool running() const { return running_; }
  int skipped() const { return skipped_; }
  int failed() const { return failed_; }

 private:
  bool running_ = false;
  int skipped_ = 0;
  int failed_ = 0;
};

}  // namespace lux
