#pragma once
// The meter session's poll timer (Timer1), as the windows that keep the poll off for their
// whole life (the clock window, the meter path of the sampling window) see it.
#include "link/MeterSession.h"

namespace lux {

class PollControl {
 public:
  virtual ~PollControl() = default;
  virtual void setPollEnabled(bool enabled) = 0;
  virtual bool pollEnabled() const = 0;
};

// The poll of one meter's session.
class SessionPoll : public PollControl {
 public:
  explicit SessionPoll(MeterSession& session) : session_(session) {}
  void setPollEnabled(bool enabled) override { session_.setPollEnabled(enabled); }
  bool pollEnabled() const override { return session_.pollEnabled(); }

 private:
  MeterSession& session_;
};

// Switches the poll off for the life of this object and then back to what it was, so that a
// pause taken while another one holds the poll off does not switch it on under it.
class PollPause {
 public:
  explicit PollPause(PollControl& poll) : poll_(poll), wasEnabled_(poll.pollEnabled()) {
    poll_.setPollEnabled(false);
  }
  ~PollPause() {
    if (wasEnabled_) poll_.setPollEnabled(true);
  }
  PollPause(const PollPause&) = delete;
  PollPause& operator=(const PollPause&) = delete;

 private:
  PollControl& poll_;
  bool wasEnabled_;
};

}  // namespace lux
