// The real serial port over a pseudo-terminal: line settings, bytes both ways, a device that
// vanishes under the open port (it must close itself, not spin), and the whole link reopening
// the same name once the device is back. Real time, bounded by short deadlines.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "FakeMeter.h"
#include "link/MeterLink.h"
#include "link/QtSerialPort.h"
#include "link/SystemClock.h"

namespace lux {
namespace {

// The device side of a pseudo-terminal: what a meter (or an adapter) would hold.
class Pty {
 public:
  Pty() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    slave_ = QString::fromLocal8Bit(ptsname(master_));
  }
  ~Pty() { closeMaster(); }
  bool ok() const { return master_ >= 0 && !slave_.isEmpty(); }
  QString slavePath() const { return slave_; }
  int fd() const { return master_; }
  void closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }
  void write(const QByteArray& b) {
    ASSERT_EQ(::write(master_, b.constData(), b.size()), b.size());
  }
  // What the program wrote, waiting up to `ms` for at least `want` bytes.
  QByteArray read(int want, int ms = 1000) {
    QByteArray got;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (got.size() < want && std::chrono::steady_clock::now() < until) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
        char buf[256];
        const auto n = ::read(master_, buf, sizeof buf);
        if (n > 0) got.append(buf, n);
      }
    }
    return got;
  }

 private:
  int master_ = -1;
  QString slave_;
};

// Waits in real time, with events running, until `done` or `ms` pass.
bool waitFor(const std::function<bool()>& done, int ms) {
  SystemClock clock;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    clock.idle(0.01);
  }
  return true;
}

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A port opened on a fresh pseudo-terminal.
class QtSerialPortOpen : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    QString reason;
    ASSERT_TRUE(port.open(pty.slavePath(), &reason)) << reason.toStdString();
  }
  Pty pty;
  QtSerialPort port;
};

TEST_F(QtSerialPortOpen, BytesTravelBothWays) {
  EXPECT_TRUE(port.isOpen());

  port.write("A");
  EXPECT_EQ(pty.read(1), "A");
  port.write(QByteArray("\x02\x45\x00", 3));
  EXPECT_EQ(pty.read(3), QByteArray("\x02\x45\x00", 3));

  const QByteArray answer = test::handshakeAnswer(1279);
  pty.write(answer);
  ASSERT_TRUE(waitFor([&] { return port.bytesWaiting() >= 6; }, 1000));
  EXPECT_EQ(port.readAll(), answer);
  EXPECT_EQ(port.readAll(), QByteArray());

  // Discarding drops what has arrived, and later bytes still come through.
  pty.write("junk");
  ASSERT_TRUE(waitFor([&] { return port.bytesWaiting() >= 4; }, 1000));
  port.discardInput();
  EXPECT_EQ(port.bytesWaiting(), 0);
  pty.write("OK");
  ASSERT_TRUE(waitFor([&] { return port.bytesWaiting() >= 2; }, 1000));
  EXPECT_EQ(port.readAll(), "OK");
  EXPECT_FALSE(port.lost());
}

TEST(QtSerialPortTest, OpenReportsTheReason) {
  QtSerialPort port;
  QString reason;
  EXPECT_FALSE(port.open(QStringLiteral("/dev/no-such-lux-meter"), &reason));
  EXPECT_TRUE(reason.contains("no such device")) << reason.toStdString();
  EXPECT_FALSE(port.isOpen());

  // A port another program holds is refused with a reason, and the holder keeps it.
  Pty pty;
  ASSERT_TRUE(pty.ok());
  QtSerialPort holder;
  ASSERT_TRUE(holder.open(pty.slavePath(), &reason));
  QtSerialPort second;
  reason.clear();
  EXPECT_FALSE(second.open(pty.slavePath(), &reason));
  EXPECT_TRUE(reason.contains("busy")) << reason.toStdString();
  // Busy is not a matter of permissions: nothing in the reason sends the user to change them.
  EXPECT_FALSE(reason.contains("ermission")) << reason.toStdString();
  EXPECT_FALSE(reason.contains("group")) << reason.toStdString();
  EXPECT_TRUE(holder.isOpen());
}

// A meter streams whether anybody listens or not. The port must neither wake the thread for
// every few bytes of it nor lose any: what piles up between polls is all there, in order, when
// read; a waiter for a whole frame is woken once, when the frame is whole.
TEST_F(QtSerialPortOpen, BytesPileUpUnreadAndAFrameWakesItsWaiterOnce) {
  EXPECT_TRUE(port.watching());  // for the device going away, before anybody reads

  // Ten frames' worth of stream between two polls: no wake-up, nothing lost.
  QByteArray stream;
  for (int i = 0; i < 10; ++i) stream += test::displayFrame(10.0 + i, 1);
  for (int i = 0; i < stream.size(); i += 16) {
    pty.write(stream.mid(i, 16));
    waitFor([] { return false; }, 5);
  }
  waitFor([] { return false; }, 50);
  EXPECT_EQ(port.wakeUps(), 0);
  EXPECT_EQ(port.bytesWaiting(), stream.size());
  const QByteArray piled = port.readAll();
  EXPECT_EQ(piled.size(), stream.size());
  EXPECT_EQ(piled, stream);

  // A waiter for a whole frame (14 bytes): the first 13, in pieces, wake nobody; the 14th
  // does, once.
  const QByteArray frame = test::displayFrame(12.3, 1);
  ASSERT_EQ(frame.size(), 14);
  port.wakeWhenWaiting(14);
  for (int i = 0; i < 13; i += 5) {
    pty.write(frame.mid(i, std::min(5, 13 - i)));
    waitFor([] { return false; }, 20);
  }
  EXPECT_EQ(port.wakeUps(), 0);
  EXPECT_EQ(port.bytesWaiting(), 13);
  EXPECT_FALSE(port.hasWaiting(14));
  EXPECT_TRUE(port.hasWaiting(13));  // not the count it is watched for: the system is asked
  pty.write(frame.mid(13));
  // In, but the thread has not run its events yet: the port answers from what it knows rather
  // than asking the system before every sleep.
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(port.hasWaiting(14));
  ASSERT_TRUE(waitFor([&] { return port.wakeUps() > 0; }, 1000));
  EXPECT_TRUE(port.hasWaiting(14));
  waitFor([] { return false; }, 50);
  EXPECT_EQ(port.wakeUps(), 1);
  EXPECT_EQ(port.readAll(), frame);

  // Part of it read already: the rest is what the waiter still needs.
  port.wakeWhenWaiting(0);
  pty.write(frame.left(10));
  waitFor([] { return false; }, 20);
  const QByteArray head = port.readAll();
  EXPECT_EQ(head, frame.left(10));
  port.wakeWhenWaiting(14 - head.size());
  pty.write(frame.mid(10, 3));
  waitFor([] { return false; }, 30);
  EXPECT_EQ(port.wakeUps(), 1);
  EXPECT_FALSE(port.hasWaiting(4));
  pty.write(frame.mid(13, 1));
  ASSERT_TRUE(waitFor([&] { return port.wakeUps() > 1; }, 1000));
  EXPECT_TRUE(port.hasWaiting(4));
  EXPECT_EQ(head + port.readAll(), frame);

  // Read a moment ago, the port is not watched: the stream piles up in the system and wakes
  // nobody. Left alone for a second it is watched again, and what piles up then beyond what
  // the system holds for a waiter is taken in, in order.
  port.wakeWhenWaiting(0);
  const int wakeUpsBefore = port.wakeUps();
  EXPECT_FALSE(port.watching());
  pty.write(stream);
  waitFor([] { return false; }, 100);
  EXPECT_EQ(port.wakeUps(), wakeUpsBefore);
  EXPECT_FALSE(port.watching());
  waitFor([] { return false; }, 1100);
  EXPECT_TRUE(port.watching());
  QByteArray big;
  for (int i = 0; i < 3000; ++i) big += char('a' + i % 26);
  pty.write(big);
  ASSERT_TRUE(waitFor([&] { return port.wakeUps() > wakeUpsBefore; }, 1000));
  waitFor([] { return false; }, 100);
  EXPECT_EQ(port.readAll(), stream + big);
  EXPECT_FALSE(port.lost());
}

TEST_F(QtSerialPortOpen, WhatTheDeviceCannotTakeAtOnceFollowsInOrder) {
  // Nobody reads the device side for a while: its buffer fills and the rest must wait.
  QByteArray sent;
  for (int i = 0; i < 200; ++i) {
    QByteArray chunk(1000, char('A' + i % 26));
    port.write(chunk);
    sent += chunk;
  }
  port.write("Z");
  sent += "Z";
  QByteArray got;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (got.size() < sent.size() && std::chrono::steady_clock::now() < until) {
    got += pty.read(int(sent.size() - got.size()), 20);
    waitFor([] { return false; }, 1);
  }
  EXPECT_EQ(got.size(), sent.size());
  EXPECT_TRUE(got == sent);
}

TEST_F(QtSerialPortOpen, ADeviceVanishingUnderAWaiterClosesThePort) {
  port.wakeWhenWaiting(16);
  pty.write("abc");
  waitFor([] { return false; }, 20);
  pty.closeMaster();
  ASSERT_TRUE(waitFor([&] { return !port.isOpen(); }, 2000));
  EXPECT_TRUE(port.lost());
  EXPECT_EQ(port.bytesWaiting(), 0);
  EXPECT_LT(port.errorSignals(), 10);
}

// The refusals of a port that an unprivileged user meets: a device another program opened
// exclusively, and a device the user may not open. Root passes every permission check, so as
// root the cases run in a child of this test binary that gives up root first.
constexpr const char* kRefusalChild = "LUXPANEL_REFUSAL_CHILD";

bool asUnprivilegedUser() {
  if (geteuid() != 0) return true;
  if (!qEnvironmentVariableIsSet(kRefusalChild)) return false;
  // nobody:nogroup, with no supplementary groups.
  return ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0 &&
         geteuid() == 65534;
}

TEST(QtSerialPortRefusal, AnExclusivelyOpenedPortIsCalledBusy) {
  if (geteuid() == 0 && !qEnvironmentVariableIsSet(kRefusalChild)) GTEST_SKIP() << "as a child";
  Pty pty;
  ASSERT_TRUE(pty.ok());
  const QByteArray slave = pty.slavePath().toLocal8Bit();
  ASSERT_EQ(::chmod(slave.constData(), 0666), 0);
  const int holder = ::open(slave.constData(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::ioctl(holder, TIOCEXCL), 0);  // what a terminal program does: open() gets EBUSY
  ASSERT_TRUE(asUnprivilegedUser());
  QtSerialPort port;
  QString reason;
  EXPECT_FALSE(port.open(pty.slavePath(), &reason));
  EXPECT_TRUE(reason.contains("busy")) << reason.toStdString();
  EXPECT_FALSE(reason.contains("ermission")) << reason.toStdString();
  EXPECT_FALSE(reason.contains("group")) << reason.toStdString();
  ::close(holder);
}

TEST(QtSerialPortRefusal, APortTheUserMayNotOpenNamesTheGroupThatOwnsIt) {
  if (geteuid() == 0 && !qEnvironmentVariableIsSet(kRefusalChild)) GTEST_SKIP() << "as a child";
  Pty pty;
  ASSERT_TRUE(pty.ok());
  const QByteArray slave = pty.slavePath().toLocal8Bit();
  std::string expectedGroup;
  if (geteuid() == 0) {
    // A group other than the usual one, so that a fixed group name in the advice shows.
    const group* uucp = ::getgrnam("uucp");
    if (!uucp) GTEST_SKIP() << "no group uucp on this system";
    ASSERT_EQ(::chown(slave.constData(), 0, uucp->gr_gid), 0);
    ASSERT_EQ(::chmod(slave.constData(), 0660), 0);
    expectedGroup = "uucp";
  } else {
    // Our own pty: shut ourselves out as its owner; its group keeps read and write.
    ASSERT_EQ(::chmod(slave.constData(), 0060), 0);
    struct stat st {};
    ASSERT_EQ(::stat(slave.constData(), &st), 0);
    const group* g = ::getgrgid(st.st_gid);
    ASSERT_NE(g, nullptr);
    expectedGroup = g->gr_name;
  }
  ASSERT_TRUE(asUnprivilegedUser());
  QtSerialPort port;
  QString reason;
  EXPECT_FALSE(port.open(pty.slavePath(), &reason));
  EXPECT_TRUE(reason.contains("permission denied")) << reason.toStdString();
  EXPECT_TRUE(reason.contains(QString::fromStdString("'" + expectedGroup + "'")))
      << reason.toStdString();
  EXPECT_TRUE(reason.contains("add your user to that group")) << reason.toStdString();
  EXPECT_FALSE(reason.contains("busy")) << reason.toStdString();
  if (expectedGroup != "dialout") {
    EXPECT_FALSE(reason.contains("dialout")) << reason.toStdString();
  }
}

TEST(QtSerialPortRefusal, RunAsAnUnprivilegedUser) {
  if (geteuid() != 0) GTEST_SKIP() << "the cases ran directly";
  if (qEnvironmentVariableIsSet(kRefusalChild)) GTEST_SKIP() << "this is the child";
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QLatin1String(kRefusalChild), QStringLiteral("1"));
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=QtSerialPortRefusal.A*")});
  ASSERT_TRUE(child.waitForFinished(60000));
  const QString output = QString::fromLocal8Bit(child.readAll());
  EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
  // Both cases really ran (a skipped case would pass too), unless the system has no uucp.
  EXPECT_TRUE(
      output.contains("[       OK ] QtSerialPortRefusal.AnExclusivelyOpenedPortIsCalledBusy"))
      << output.toStdString();
  EXPECT_TRUE(output.contains("[       OK ] QtSerialPortRefusal.APortTheUserMayNotOpen"))
      << output.toStdString();
  EXPECT_FALSE(output.contains("[  SKIPPED ]")) << output.toStdString();
}

TEST_F(QtSerialPortOpen, VanishedDeviceClosesThePortInsteadOfSpinning) {
  bool signalled = false;
  QObject::connect(&port, &QtSerialPort::portLost, [&] { signalled = true; });

  pty.closeMaster();
  ASSERT_TRUE(waitFor([&] { return !port.isOpen(); }, 2000));
  EXPECT_TRUE(port.lost());
  EXPECT_TRUE(signalled);
  EXPECT_EQ(port.readAll(), QByteArray());
  port.write("A");  // harmless on a closed port

  // Left open, the port would report the error tens of thousands of times a second.
  const double cpu0 = cpuSeconds();
  waitFor([] { return false; }, 300);
  EXPECT_LT(cpuSeconds() - cpu0, 0.15);
  EXPECT_LT(port.errorSignals(), 10);
}

// The meter's side on a pty: answers "A", and streams a display frame every 0.1 s after "M",
// from the event loop, as a real meter would from the other end of the cable.
class PtyMeter {
 public:
  explicit PtyMeter(Pty& pty) : pty_(pty), notifier_(pty.fd(), QSocketNotifier::Read) {
    stream_.setInterval(100);
    QObject::connect(&stream_, &QTimer::timeout,
                     [this] { pty_.write(test::displayFrame(12.3, 1)); });
    QObject::connect(&notifier_, &QSocketNotifier::activated, [this] {
      char buf[64];
      const auto n = ::read(pty_.fd(), buf, sizeof buf);
      for (int i = 0; i < n; ++i) {
        if (buf[i] == 'A') pty_.write(test::handshakeAnswer(address));
        if (buf[i] == 'M' && !stream_.isActive()) stream_.start();
      }
      if (n <= 0) notifier_.setEnabled(false);
    });
  }
  unsigned address = 1279;

 private:
  Pty& pty_;
  QSocketNotifier notifier_;
  QTimer stream_;
};

TEST(QtSerialPortTest, ADeviceReachedByTwoNamesIsOpenedOnce) {
  // A udev rule's stable name and the device's own name, or two such names: whichever is opened
  // first holds the device, and the other is refused as busy (as root too, whom the exclusive
  // open does not keep out).
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  Pty pty;
  ASSERT_TRUE(pty.ok());
  const QString kitchen = dir.filePath("kitchen"), hall = dir.filePath("hall");
  ASSERT_TRUE(QFile::link(pty.slavePath(), kitchen));
  ASSERT_TRUE(QFile::link(pty.slavePath(), hall));
  QString reason;
  {
    QtSerialPort byLink;
    ASSERT_TRUE(byLink.open(kitchen, &reason)) << reason.toStdString();
    QtSerialPort byDevice, byOtherLink;
    EXPECT_FALSE(byDevice.open(pty.slavePath(), &reason));
    EXPECT_TRUE(reason.contains("busy")) << reason.toStdString();
    reason.clear();
    EXPECT_FALSE(byOtherLink.open(hall, &reason));
    EXPECT_TRUE(reason.contains("busy")) << reason.toStdString();
    EXPECT_FALSE(byDevice.isOpen());
    EXPECT_FALSE(byOtherLink.isOpen());
    byLink.close();
    // Closed, the device is free again by any of its names.
    ASSERT_TRUE(byDevice.open(pty.slavePath(), &reason)) << reason.toStdString();
    EXPECT_FALSE(byLink.open(kitchen, &reason));
    EXPECT_TRUE(reason.contains("busy")) << reason.toStdString();
  }
  // A refusal keeps no lock behind: once the holder is gone, the refused name opens.
  QtSerialPort again;
  EXPECT_TRUE(again.open(kitchen, &reason)) << reason.toStdString();

  // A link to something that is no terminal at all: refused for what it is, and neither of its
  // names stays locked by the refusal.
  QFile plain(dir.filePath("plain"));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.close();
  const QString toPlain = dir.filePath("to-plain");
  ASSERT_TRUE(QFile::link(plain.fileName(), toPlain));
  QtSerialPort first, second;
  QString firstReason, secondReason;
  EXPECT_FALSE(first.open(toPlain, &firstReason));
  EXPECT_FALSE(second.open(plain.fileName(), &secondReason));
  EXPECT_FALSE(firstReason.contains("busy")) << firstReason.toStdString();
  EXPECT_EQ(secondReason, firstReason);
}

TEST(QtSerialPortTest, LinkReopensTheSameNameWhenTheDeviceReturns) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString link = dir.filePath("meter");
  auto pty = std::make_unique<Pty>();
  ASSERT_TRUE(pty->ok());
  ASSERT_TRUE(QFile::link(pty->slavePath(), link));
  auto meter = std::make_unique<PtyMeter>(*pty);
  meter->address = 0x000600;

  QtSerialPort port;
  SystemClock clock;
  LinkState state;
  state.portName = link;
  MeterLink meterLink(port, clock, state);
  QStringList captions;
  QObject::connect(&meterLink, &MeterLink::portCaptionChanged,
                   [&](const QString& c) { captions << c; });
  QString reason;
  ASSERT_TRUE(meterLink.openLink(&reason)) << reason.toStdString();
  // Whatever happens, the test ends: a stuck wait is aborted after 10 s.
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] { meterLink.abort(); });
  watchdog.start(10000);

  QByteArray frame;
  auto onFrame = [&](const QByteArray& f) {
    frame = f;
    return false;
  };
  meterLink.pollTick(onFrame);
  EXPECT_FLOAT_EQ(state.loggerAddress, 1536.0f);
  EXPECT_EQ(frame, test::displayFrame(12.3, 1));
  EXPECT_EQ(state.pollCount, 1);

  // The adapter goes, and with it its name (as the system's by-id link goes with a USB
  // adapter); a new one appears under the same name 0.5 s later. Left in place, the name would
  // point at a freed terminal number that a test running beside this one may take next.
  ASSERT_TRUE(QFile::remove(link));
  meter.reset();
  pty->closeMaster();
  ASSERT_TRUE(waitFor([&] { return !port.isOpen(); }, 2000));
  auto pty2 = std::make_unique<Pty>();
  ASSERT_TRUE(pty2->ok());
  std::unique_ptr<PtyMeter> meter2;
  QTimer::singleShot(500, [&] {
    QFile::link(pty2->slavePath(), link);
    meter2 = std::make_unique<PtyMeter>(*pty2);
  });
  frame.clear();
  meterLink.pollTick(onFrame);  // reconnects
  ASSERT_FALSE(meterLink.aborted());
  EXPECT_EQ(captions.mid(1), (QStringList{"No COM", link}));
  meterLink.pollTick(onFrame);
  EXPECT_EQ(frame, test::displayFrame(12.3, 1));
  watchdog.stop();
}

}  // namespace
}  // namespace lux
