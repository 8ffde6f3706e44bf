// The simulated meter behind the program's serial-port interface, on a pseudo-terminal, and as
// the luxpanel-sim process.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <string>
#include <thread>

#include "sim/PtyServer.h"
#include "support/FakeClock.h"
#include "support/SimSerialPort.h"

using lux::sim::PtyServer;
using lux::sim::SimMeter;
using lux::test::SimSerialPort;

namespace {

const QByteArray kEmptyHandshake("\x02\xAA\x00\x04\xFF\x03", 6);

// Reads from `fd` until `want` bytes arrived or `seconds` passed.
std::string readFor(int fd, std::size_t want, double seconds) {
  std::string got;
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (got.size() < want && std::chrono::steady_clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 20) > 0) {
      char buf[4096];
      ssize_t n = ::read(fd, buf, sizeof buf);
      if (n > 0) got.append(buf, static_cast<std::size_t>(n));
    }
  }
  return got;
}

int openRaw(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return fd;
  termios tio{};
  ::tcgetattr(fd, &tio);
  ::cfmakeraw(&tio);
  ::tcsetattr(fd, TCSANOW, &tio);
  return fd;
}

}  // namespace

// ---------------------------------------------------------------- in-process port

TEST(SimSerialPort, WritesReachTheMeterAndAnswersComeBackOnTheFakeClock) {
  lux::test::FakeClock clock;
  SimMeter meter;
  SimSerialPort port(meter, [&] { return clock.elapsed(); });
  QString why;
  EXPECT_FALSE(port.isOpen());
  port.write("A");  // a closed port swallows writes
  EXPECT_TRUE(meter.received().empty());
  ASSERT_TRUE(port.open("sim", &why));
  EXPECT_FALSE(port.open("sim", &why));  // already open
  port.write("A");
  EXPECT_EQ(port.bytesWaiting(), 6);
  EXPECT_EQ(port.readAll(), kEmptyHandshake);
  EXPECT_TRUE(port.readAll().isEmpty());

  port.write("M");
  EXPECT_EQ(port.bytesWaiting(), 0);  // the first frame comes a moment later
  clock.advance(0.5);
  qint64 waiting = port.bytesWaiting();
  EXPECT_GE(waiting, 4 * 14);
  port.discardInput();
  EXPECT_EQ(port.bytesWaiting(), 0);
  clock.advance(0.2);
  EXPECT_EQ(port.readAll().size() % 14, 0);
  EXPECT_EQ(port.written(), QByteArray("AM"));
  EXPECT_EQ(meter.receivedLetters(), "AM");
}

TEST(SimSerialPort, UnpluggedAdapterClosesThePortUntilItComesBack) {
  lux::test::FakeClock clock;
  SimMeter meter;
  SimSerialPort port(meter, [&] { return clock.elapsed(); });
  QString why;
  ASSERT_TRUE(port.open("/dev/ttyUSB0", &why));
  port.write("M");
  clock.advance(1.0);
  port.unplug();
  EXPECT_FALSE(port.isOpen());
  EXPECT_TRUE(port.readAll().isEmpty());
  port.write("A");
  EXPECT_EQ(meter.receivedLetters(), "M");
  EXPECT_FALSE(port.open("/dev/ttyUSB0", &why));
  EXPECT_FALSE(why.isEmpty());
  EXPECT_EQ(port.openFailures(), 1);

  clock.advance(1.0);
  port.replug();
  ASSERT_TRUE(port.open("/dev/ttyUSB0", &why));
  EXPECT_EQ(port.openCount(), 2);
  // What the meter sent while the adapter was out never arrives.
  EXPECT_EQ(port.bytesWaiting(), 0);
  port.write("A");
  QByteArray got = port.readAll();
  EXPECT_TRUE(got.endsWith(kEmptyHandshake)) << got.toHex().constData();
}

// ---------------------------------------------------------------- pseudo-terminal

TEST(PtyServer, AnswersThroughARealPtyAndSurvivesReopening) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  std::string link = QDir(dir.path()).filePath("meter").toStdString();
  PtyServer server;
  std::string error;
  ASSERT_TRUE(server.start(link, &error)) << error;
  EXPECT_EQ(server.linkPath(), link);
  EXPECT_EQ(server.portPath(), link);
  char target[256] = {};
  ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), server.slavePath());

  for (int round = 0; round < 2; ++round) {  // the program closes and opens the port again
    int fd = openRaw(link);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "A", 1), 1);
    EXPECT_EQ(readFor(fd, 6, 3.0), kEmptyHandshake.toStdString()) << round;
    ::close(fd);
  }

  server.withMeter([](SimMeter& m, double) { m.preloadLoggerSets(1, 1); });  // 1292
  int fd = openRaw(server.slavePath());
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "A", 1), 1);
  EXPECT_EQ(readFor(fd, 6, 3.0), std::string("\x02\xAA\x00\x05\x0C\x03", 6));
  ASSERT_EQ(::write(fd, "M", 1), 1);
  std::string frames = readFor(fd, 28, 3.0);
  ASSERT_GE(frames.size(), 28u);
  EXPECT_EQ(frames[0], '\x02');
  EXPECT_EQ(frames[13], '\x03');
  ::close(fd);

  server.withMeter([](SimMeter& m, double) { EXPECT_EQ(m.receivedLetters(), "AAAM"); });
  server.stop();
  EXPECT_FALSE(server.running());
  struct stat st {};
  EXPECT_NE(::lstat(link.c_str(), &st), 0);  // the link went with the server
  server.stop();                             // twice is harmless
}

TEST(PtyServer, TheWireLogHoldsEveryByteOfBothDirectionsInOrder) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString logPath = dir.filePath("wire.log");
  PtyServer server;
  ASSERT_TRUE(server.setWireLog(logPath.toStdString()));
  std::string error;
  ASSERT_TRUE(server.start({}, &error)) << error;
  int fd = openRaw(server.slavePath());
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "A", 1), 1);
  EXPECT_EQ(readFor(fd, 6, 3.0), kEmptyHandshake.toStdString());
  ASSERT_EQ(::write(fd, "YE", 2), 2);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ::close(fd);
  server.stop();

  QFile log(logPath);
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  QByteArray sent, answered;
  for (const QByteArray& line : log.readAll().split('\n')) {
    const QList<QByteArray> fields = line.split(' ');
    if (fields.size() < 3) continue;
    QByteArray& to = fields[1] == "<" ? sent : answered;
    EXPECT_TRUE(fields[1] == "<" || fields[1] == ">") << line.toStdString();
    for (qsizetype i = 2; i < fields.size(); ++i) to += QByteArray::fromHex(fields[i]);
  }
  EXPECT_EQ(sent, QByteArray("AYE"));
  EXPECT_TRUE(answered.startsWith(kEmptyHandshake)) << answered.toHex(' ').toStdString();
  PtyServer other;
  EXPECT_FALSE(other.setWireLog(dir.filePath("no/such/folder/wire.log").toStdString()));
}

TEST(PtyServer, PacedDumpIsNoFasterThanTheLine) {
  SimMeter::Options o;
  o.paced = true;
  PtyServer server(o);
  ASSERT_TRUE(server.start());
  // About 1000 bytes: half a second on a 19200-baud line.
  server.withMeter([](SimMeter& m, double) { m.preloadLoggerSets(4, 80); });
  std::size_t total = 0;
  server.withMeter([&](SimMeter& m, double) { total = m.memoryDump().size(); });
  int fd = openRaw(server.slavePath());
  ASSERT_GE(fd, 0);
  QElapsedTimer timer;
  timer.start();
  ASSERT_EQ(::write(fd, "Q", 1), 1);
  std::string dump = readFor(fd, total, 10.0);
  double seconds = timer.nsecsElapsed() / 1e9;
  ::close(fd);
  server.stop();
  ASSERT_EQ(dump.size(), total);
  EXPECT_GE(seconds, (total - 20) / 1920.0);
}

TEST(PtyServer, MisbehaviourCommandsTakeEffectWhileServing) {
  PtyServer server;
  ASSERT_TRUE(server.start());
  int fd = openRaw(server.slavePath());
  ASSERT_GE(fd, 0);
  server.withMeter([](SimMeter& m, double) { m.goSilent(0.8); });
  ASSERT_EQ(::write(fd, "A", 1), 1);
  EXPECT_TRUE(readFor(fd, 6, 0.4).empty());
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_EQ(::write(fd, "A", 1), 1);
  EXPECT_EQ(readFor(fd, 6, 3.0), kEmptyHandshake.toStdString());
  server.withMeter([](SimMeter& m, double) { m.injectGarbage("\x55\x66"); });
  EXPECT_EQ(readFor(fd, 2, 3.0), "\x55\x66");
  ::close(fd);
  server.stop();
}

// ---------------------------------------------------------------- luxpanel-sim

TEST(LuxpanelSim, PrintsItsPortAndObeysTheConsole) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QString link = QDir(dir.path()).filePath("meter");
  QString logPath = QDir(dir.path()).filePath("shown.log");
  QProcess sim;
  sim.start(QStringLiteral(LUXPANEL_SIM_PATH), {"--link", link, "--seed", "5", "--no-overloads"});
  ASSERT_TRUE(sim.waitForStarted(5000));
  auto line = [&]() -> QString {
    QElapsedTimer t;
    t.start();
    while (!sim.canReadLine() && t.elapsed() < 5000) sim.waitForReadyRead(100);
    return QString::fromUtf8(sim.readLine()).trimmed();
  };
  QString slave = line();
  EXPECT_TRUE(slave.startsWith("/dev/pts/")) << slave.toStdString();
  EXPECT_EQ(QFileInfo(link).symLinkTarget(), slave);

  sim.write("fill-logger\n");
  EXPECT_EQ(line(), "ok fill-logger");
  sim.write("log " + logPath.toUtf8() + "\n");
  EXPECT_EQ(line(), "ok log");
  sim.write("reading 42.5 1\n");
  EXPECT_EQ(line(), "ok reading");
  sim.write("frobnicate\n");
  EXPECT_TRUE(line().startsWith("error:"));

  int fd = openRaw(link.toStdString());
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "A", 1), 1);
  EXPECT_EQ(readFor(fd, 6, 3.0), std::string("\x02\xAA\x01\xFF\xFF\x03", 6));
  ASSERT_EQ(::write(fd, "M", 1), 1);
  EXPECT_GE(readFor(fd, 28, 3.0).size(), 28u);
  ::close(fd);

  sim.write("status\n");
  QString status = line();
  EXPECT_TRUE(status.contains("address 131071")) << status.toStdString();
  EXPECT_TRUE(status.contains("reading 42.5")) << status.toStdString();
  sim.write("quit\n");
  ASSERT_TRUE(sim.waitForFinished(5000));
  EXPECT_EQ(sim.exitCode(), 0);
  EXPECT_FALSE(QFileInfo::exists(link));

  QFile log(logPath);
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  QList<QByteArray> lines = log.readAll().split('\n');
  ASSERT_GE(lines.size(), 3);
  EXPECT_TRUE(lines[0].endsWith("\t42.5\tLx")) << lines[0].constData();
}

TEST(LuxpanelSim, RejectsUnknownArguments) {
  QProcess sim;
  sim.start(QStringLiteral(LUXPANEL_SIM_PATH), {"--bogus"});
  ASSERT_TRUE(sim.waitForFinished(5000));
  EXPECT_EQ(sim.exitCode(), 2);
  sim.start(QStringLiteral(LUXPANEL_SIM_PATH), {"--help"});
  ASSERT_TRUE(sim.waitForFinished(5000));
  EXPECT_EQ(sim.exitCode(), 0);
  EXPECT_TRUE(sim.readAllStandardOutput().contains("fill-logger"));
}

TEST(PtyServer, BytesNobodyReadsDoNotStallTheMeter) {
  PtyServer server;
  ASSERT_TRUE(server.start());
  server.withMeter([](SimMeter& m, double) { m.fillLoggerMemory(); });
  int fd = openRaw(server.slavePath());
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "Q", 1), 1);  // 129808 bytes, far more than a pty holds
  std::this_thread::sleep_for(std::chrono::milliseconds(4500));
  // The unread dump is dropped like bytes on a line nobody listens to; the meter answers again
  // at once instead of after the rest of the dump.
  std::string left = readFor(fd, 1 << 20, 0.5);
  ASSERT_EQ(::write(fd, "A", 1), 1);
  std::string got = readFor(fd, 1 << 20, 1.5);
  ::close(fd);
  std::string heard;
  server.withMeter([&](SimMeter& m, double) { heard = m.receivedLetters(); });
  server.stop();
  EXPECT_EQ(heard, "QA");
  ASSERT_GE(got.size(), 6u);
  EXPECT_EQ(got.substr(got.size() - 6), std::string("\x02\xAA\x01\xFF\xFF\x03", 6))
      << QByteArray::fromStdString(got).toHex().constData();
  EXPECT_LT(left.size() + got.size(), 1000u);
}

TEST(PtyServer, ReplacesAStaleLinkButNeverARealFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // A meter killed outright leaves its link behind, pointing at a pty that is gone.
  std::string link = QDir(dir.path()).filePath("meter").toStdString();
  ASSERT_EQ(::symlink("/dev/pts/nonexistent", link.c_str()), 0);
  PtyServer server;
  std::string error;
  ASSERT_TRUE(server.start(link, &error)) << error;
  char target[256] = {};
  ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), server.slavePath());
  server.stop();

  std::string file = QDir(dir.path()).filePath("notes.txt").toStdString();
  {
    QFile f(QString::fromStdString(file));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("keep me");
  }
  PtyServer second;
  EXPECT_FALSE(second.start(file, &error));
  EXPECT_NE(error.find("not a symbolic link"), std::string::npos) << error;
  QFile f(QString::fromStdString(file));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("keep me"));
}
