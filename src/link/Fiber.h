#pragma once
// A stack of its own for one meter's poll tick. Several meters' sessions on one thread each wait
// for their meter in 20 ms steps; in nested event loops, the wait of one cannot return before
// the tick of another that started inside it has ended, so a silent meter held up every other
// meter on the thread. A tick on its own stack instead gives the thread back at every wait and
// is taken up again when its wait is over, whatever the other ticks are doing meanwhile.
#include <cstddef>
#include <functional>
#include <memory>

namespace lux {

class Fiber {
 public:
  explicit Fiber(std::size_t stackBytes = 512 * 1024);
  ~Fiber();
  Fiber(const Fiber&) = delete;
  Fiber& operator=(const Fiber&) = delete;

  // Runs `body` on the fiber's stack until it ends or suspends itself. Only while idle().
  // Nothing `body` throws crosses the edge of the stack: it must catch what it throws.
  void start(std::function<void()> body);
  // Inside the body: gives the thread back to whoever started or last resumed the fiber, until
  // resume() is called.
  void suspend();
  // Takes a suspended body up again where it suspended itself; returns when it ends or
  // suspends itself again. Does nothing unless suspended().
  void resume();

  bool idle() const { return state_ == State::Idle; }
  bool suspended() const { return state_ == State::Suspended; }
  // The fiber whose stack the calling code runs on, if any.
  static Fiber* current();

  // While it lives, code on a fiber's stack is treated as if it were not: its waits nest as
  // they would anywhere else instead of suspending the fiber.
  class Hidden {
   public:
    explicit Hidden(bool hide = true);
    ~Hidden();
    Hidden(const Hidden&) = delete;
    Hidden& operator=(const Hidden&) = delete;

   private:
    Fiber* saved_;
    bool hid_;
  };

 private:
  enum class State { Idle, Running, Suspended };
  struct Contexts;
  static void entry(unsigned low, unsigned high);
  void run();
  void switchIn();

  std::unique_ptr<char[]> stack_;
  std::size_t stackBytes_;
  std::unique_ptr<Contexts> contexts_;
  std::function<void()> body_;
  State state_ = State::Idle;
};

}  // namespace lux
