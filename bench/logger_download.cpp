// Downloads the whole logger memory of a meter on a serial port (luxpanel-sim --paced on a
// pseudo-terminal, or a real meter) through QtSerialPort and MeterLink, as the "Memory" command
// does, and reports the time from "Q" to the last byte of the dump against the line's own time
// for those bytes at 19200 baud (10 bits a byte).
//   bench_logger_download PORT
#include <QApplication>
#include <QElapsedTimer>
#include <QPrinter>
#include <cstdio>

#include "app/AppContext.h"
#include "app/AppState.h"
#include "bench/support/BenchDoubles.h"
#include "link/MeterLink.h"
#include "link/QtSerialPort.h"
#include "link/SystemClock.h"
#include "logger/Install.h"
#include "logger/Logger.h"
#include "logger/LoggerWindows.h"
#include "logger/MemoryDump.h"
#include "ui/GridModel.h"

namespace {

// The real port, with the moments that matter noted: "Q" written, last dump byte read.
class TimedPort : public lux::SerialPort {
 public:
  explicit TimedPort(lux::SerialPort& inner) : inner_(inner) { timer_.start(); }
  bool open(const QString& name, QString* reason) override { return inner_.open(name, reason); }
  bool isOpen() const override { return inner_.isOpen(); }
  void close() override { inner_.close(); }
  void write(const QByteArray& bytes) override {
    if (bytes == "Q") {
      qAt = timer_.nsecsElapsed();
      dumpBytes = 0;
      inDump = true;
    }
    inner_.write(bytes);
  }
  QByteArray readAll() override {
    QByteArray b = inner_.readAll();
    if (inDump && !b.isEmpty()) {
      dumpBytes += b.size();
      lastByteAt = timer_.nsecsElapsed();
    }
    return b;
  }
  qint64 bytesWaiting() override { return inner_.bytesWaiting(); }
  void discardInput() override {
    inDump = false;
    inner_.discardInput();
  }

  qint64 qAt = 0, lastByteAt = 0, dumpBytes = 0;
  bool inDump = false;

 private:
  lux::SerialPort& inner_;
  QElapsedTimer timer_;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_logger_download PORT\n");
    return 2;
  }
  lux::QtSerialPort serial;
  TimedPort port(serial);
  lux::SystemClock clock;
  lux::AppState state;
  state.link.portName = QString::fromLocal8Bit(argv[1]);
  lux::MeterLink link(port, clock, state.link);
  QString reason;
  if (!link.openLink(&reason)) {
    std::fprintf(stderr, "cannot open %s: %s\n", argv[1], qPrintable(reason));
    return 1;
  }
  lux::bench::BenchDialogs dialogs;
  dialogs.echoMessages = true;
  lux::bench::BenchPoll poll;
  lux::Hooks hooks;
  lux::AppContext ctx(lux::Context{link, state.display, dialogs, clock, poll, nullptr, hooks},
                      state);
  const auto download = lux::installLogger(ctx);

  QElapsedTimer whole;
  whole.start();
  const lux::DownloadResult result = lux::downloadLoggerMemory(ctx);
  const double commandSeconds = static_cast<double>(whole.nsecsElapsed()) / 1e9;
  if (result != lux::DownloadResult::Listed) {
    std::fprintf(stderr, "download did not list the memory (result %d)\n",
                 static_cast<int>(result));
    return 1;
  }
  auto* memory = qobject_cast<lux::MemoryWindow*>(ctx.logger.memoryWindow.data());
  const auto address = static_cast<std::uint32_t>(state.link.loggerAddress);
  const double expected = static_cast<double>(lux::expectedDumpLength(address));
  const double lineSeconds = expected / 1920.0;
  const double dumpSeconds = static_cast<double>(port.lastByteAt - port.qAt) / 1e9;
  std::size_t records = 0;
  for (int r = 1; r < memory->gridSet().rows(); ++r)
    records += memory->gridSet().cell(r, 3).toULongLong();
  std::printf("fill address        %u\n", address);
  std::printf("dump bytes          %.0f (read %lld)\n", expected, port.dumpBytes);
  std::printf("sets / records      %d / %zu\n", memory->gridSet().rows() - 1, records);
  std::printf("line time at 19200  %.3f s\n", lineSeconds);
  std::printf("Q to last byte      %.3f s (%+.2f%% of the line time)\n", dumpSeconds,
              (dumpSeconds / lineSeconds - 1.0) * 100.0);
  std::printf("whole command       %.3f s (handshakes, H, parse and set table included)\n",
              commandSeconds);
  std::printf("progress            %s\n", qPrintable(memory->lblMessage().text()));
  delete memory;
  return 0;
}
