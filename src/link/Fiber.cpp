#include "link/Fiber.h"

#include <ucontext.h>

#include <cstdint>
#include <cstdlib>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUX_FIBER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define LUX_FIBER_ASAN 1
#endif
#ifdef LUX_FIBER_ASAN
#include <sanitizer/common_interface_defs.h>
#endif

namespace lux {

namespace {
thread_local Fiber* t_current = nullptr;
}  // namespace

struct Fiber::Contexts {
  ucontext_t fiber{};
  ucontext_t caller{};
  // The address sanitizer is told about every change of stack, or it takes the other stack
  // for an overflow.
  const void* callerBottom = nullptr;
  std::size_t callerSize = 0;
};

Fiber::Fiber(std::size_t stackBytes)
    : stack_(new char[stackBytes]), stackBytes_(stackBytes), contexts_(new Contexts) {}

Fiber::~Fiber() {
  // A body left suspended would leave its stack's objects undestroyed; its owner ends it first.
  if (state_ != State::Idle) std::abort();
}

Fiber* Fiber::current() {
  return t_current;
}

Fiber::Hidden::Hidden(bool hide) : saved_(t_current), hid_(hide) {
  if (hid_) t_current = nullptr;
}

Fiber::Hidden::~Hidden() {
  if (hid_) t_current = saved_;
}

void Fiber::entry(unsigned low, unsigned high) {
  auto* self = reinterpret_cast<Fiber*>((static_cast<std::uintptr_t>(high) << 32) |
                                        static_cast<std::uintptr_t>(low));
#ifdef LUX_FIBER_ASAN
  __sanitizer_finish_switch_fiber(nullptr, &self->contexts_->callerBottom,
                                  &self->contexts_->callerSize);
#endif
  self->run();
#ifdef LUX_FIBER_ASAN
  __sanitizer_start_switch_fiber(nullptr, self->contexts_->callerBottom,
                                 self->contexts_->callerSize);
#endif
  // Returning goes on at uc_link: the caller's context as last saved by switchIn.
}

void Fiber::run() {
  try {
    body_();
  } catch (...) {
    // The body catches what it throws; nothing may unwind past the stack's first frame.
  }
  body_ = nullptr;
  state_ = State::Idle;
}

void Fiber::start(std::function<void()> body) {
  if (state_ != State::Idle) return;
  body_ = std::move(body);
  Contexts& c = *contexts_;
  getcontext(&c.fiber);
  c.fiber.uc_stack.ss_sp = stack_.get();
  c.fiber.uc_stack.ss_size = stackBytes_;
  c.fiber.uc_link = &c.caller;
  const auto address = reinterpret_cast<std::uintptr_t>(this);
  makecontext(&c.fiber, reinterpret_cast<void (*)()>(&Fiber::entry), 2,
              static_cast<unsigned>(address & 0xffffffffu), static_cast<unsigned>(address >> 32));
  switchIn();
}

void Fiber::resume() {
  if (state_ != State::Suspended) return;
  switchIn();
}

void Fiber::switchIn() {
  Fiber* const outer = t_current;
  t_current = this;
  state_ = State::Running;
#ifdef LUX_FIBER_ASAN
  void* fake = nullptr;
  __sanitizer_start_switch_fiber(&fake, stack_.get(), stackBytes_);
#endif
  swapcontext(&contexts_->caller, &contexts_->fiber);
#ifdef LUX_FIBER_ASAN
  __sanitizer_finish_switch_fiber(fake, nullptr, nullptr);
#endif
  t_current = outer;
}

void Fiber::suspend() {
  if (t_current != this || state_ != State::Running) return;
  state_ = State::Suspended;
#ifdef LUX_FIBER_ASAN
  void* fake = nullptr;
  __sanitizer_start_switch_fiber(&fake, contexts_->callerBottom, contexts_->callerSize);
#endif
  swapcontext(&contexts_->fiber, &contexts_->caller);
#ifdef LUX_FIBER_ASAN
  __sanitizer_finish_switch_fiber(fake, &contexts_->callerBottom, &contexts_->callerSize);
#endif
  state_ = State::Running;
}

}  // namespace lux
