// The plain rules under the link: port choice, handshake answers, frame checks and the tick
// guard.
#include <gtest/gtest.h>

#include <QTimer>
#include <stdexcept>

#include "link/PortChoice.h"
#include "link/Protocol.h"
#include "link/TickGuard.h"
#include "support/FakeClock.h"

namespace lux {
namespace {

TEST(PortChoiceTest, NamesMapExactlyAndCaseSensitively) {
  EXPECT_EQ(choosePort("Auto").comPortNumber, 1);
  EXPECT_EQ(choosePort("Auto").deviceName, "/dev/ttyS0");
  EXPECT_EQ(choosePort("COM1").comPortNumber, 1);
  EXPECT_EQ(choosePort("COM2").deviceName, "/dev/ttyS1");
  EXPECT_EQ(choosePort("COM16").comPortNumber, 16);
  EXPECT_EQ(choosePort("COM16").deviceName, "/dev/ttyS15");
  for (const char* text : {"com3", "auto", "COM17", "COM0", "COM01", "COM3 ", " COM3", "", "COM"}) {
    const PortChoice c = choosePort(text);
    EXPECT_EQ(c.comPortNumber, 0) << text;
    EXPECT_EQ(c.deviceName, "") << text;
  }
  // Text that names nothing leaves an earlier choice as it was.
  const PortChoice before{5, "/dev/ttyS4"};
  EXPECT_EQ(choosePort("com3", before).comPortNumber, 5);
  EXPECT_EQ(choosePort("com3", before).deviceName, "/dev/ttyS4");
}

TEST(PortChoiceTest, TypedDevicePathIsOpenedAsItStands) {
  const PortChoice c = choosePort("/dev/ttyUSB0");
  EXPECT_EQ(c.comPortNumber, 0);
  EXPECT_EQ(c.deviceName, "/dev/ttyUSB0");
  EXPECT_EQ(choosePort("/tmp/meter link").deviceName, "/tmp/meter link");
  EXPECT_EQ(choosePort("/").deviceName, "");
  EXPECT_EQ(choosePort("./m0").deviceName, "./m0");
  EXPECT_EQ(choosePort("../rig/m1").deviceName, "../rig/m1");
  for (const char* text : {"./", "../", "m0", ".m0", "..", "~/m0"})
    EXPECT_EQ(choosePort(text).deviceName, "") << text;
  EXPECT_EQ(deviceForComNumber(0), "");
  EXPECT_EQ(deviceForComNumber(-3), "");
}

TEST(HandshakeAnswerTest, ValidityAndAddress) {
  using namespace std::string_view_literals;
  EXPECT_EQ(parseHandshakeAnswer("\x02\xAA\x00\x04\xFF\x03"sv), 1279u);
  EXPECT_EQ(parseHandshakeAnswer("\x02\xAA\x01\xFF\xFF\x03"sv), 131071u);
  EXPECT_EQ(parseHandshakeAnswer("\x02\xAA\x12\x34\x56\x03trailing"sv), 0x123456u);
  EXPECT_FALSE(parseHandshakeAnswer("\x02\xAA\x00\x04\xFF"sv));      // short
  EXPECT_FALSE(parseHandshakeAnswer("\x02\xAA\x00\x04\xFF\x04"sv));  // wrong end byte
  EXPECT_FALSE(parseHandshakeAnswer("\x02\xAB\x00\x04\xFF\x03"sv));
  EXPECT_FALSE(parseHandshakeAnswer("\x01\xAA\x00\x04\xFF\x03"sv));
  EXPECT_FALSE(parseHandshakeAnswer(""sv));
}

TEST(FrameCheckTest, ShortMisframedFramed) {
  std::string f(14, '\x00');
  f.front() = '\x02';
  f.back() = '\x03';
  EXPECT_EQ(checkDisplayFrame(f), FrameCheck::Framed);
  EXPECT_EQ(checkDisplayFrame(f.substr(0, 13)), FrameCheck::Short);
  EXPECT_EQ(checkDisplayFrame(""), FrameCheck::Short);
  EXPECT_EQ(checkDisplayFrame(f + "\x02\x05"), FrameCheck::Framed);
  std::string late = f;
  late[13] = '\x00';
  EXPECT_EQ(checkDisplayFrame(late + "\x03"), FrameCheck::Misframed);  // end mark one too late
  std::string badStart = f;
  badStart[0] = '\x03';
  EXPECT_EQ(checkDisplayFrame(badStart), FrameCheck::Misframed);
}

TEST(TickGuardTest, NestedTickIsSkipped) {
  TickGuard guard;
  int outer = 0, inner = 0;
  TickGuard::Outcome nested{};
  const auto o = guard.run([&] {
    ++outer;
    EXPECT_TRUE(guard.running());
    nested = guard.run([&] { ++inner; });
  });
  EXPECT_EQ(o, TickGuard::Outcome::Ran);
  EXPECT_EQ(nested, TickGuard::Outcome::Skipped);
  EXPECT_EQ(outer, 1);
  EXPECT_EQ(inner, 0);
  EXPECT_EQ(guard.skipped(), 1);
  EXPECT_FALSE(guard.running());
  EXPECT_EQ(guard.run([&] { ++inner; }), TickGuard::Outcome::Ran);
  EXPECT_EQ(inner, 1);
}

TEST(TickGuardTest, TimerRestartedInsideItsOwnWaitIsSkipped) {
  // Another window's exchange switches the poll timer off and on while a tick waits: the
  // restarted timer falls due inside the tick that is still running.
  test::FakeClock clock;
  TickGuard guard;
  int started = 0, depth = 0, maxDepth = 0;
  QTimer timer;
  timer.setInterval(0);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    guard.run([&] {
      ++started;
      ++depth;
      maxDepth = std::max(maxDepth, depth);
      timer.stop();
      timer.start();
      for (int i = 0; i < 5; ++i) clock.idle(0.02);
      --depth;
    });
  });
  timer.start();
  for (int i = 0; i < 3; ++i) clock.idle(0.02);
  timer.stop();
  EXPECT_GE(started, 1);
  EXPECT_EQ(maxDepth, 1);
  EXPECT_GT(guard.skipped(), 0);
}

TEST(TickGuardTest, FailureEndsOnlyThatTick) {
  TickGuard guard;
  EXPECT_EQ(guard.run([] { throw std::runtime_error("bad frame"); }), TickGuard::Outcome::Failed);
  EXPECT_FALSE(guard.running());
  EXPECT_EQ(guard.failed(), 1);
  EXPECT_EQ(guard.run([] { throw LinkAborted{}; }), TickGuard::Outcome::Aborted);
  EXPECT_EQ(guard.run([] { throw 42; }), TickGuard::Outcome::Failed);
  EXPECT_EQ(guard.failed(), 2);
  EXPECT_FALSE(guard.running());
  int ran = 0;
  EXPECT_EQ(guard.run([&] { ++ran; }), TickGuard::Outcome::Ran);
  EXPECT_EQ(ran, 1);
}

}  // namespace
}  // namespace lux
