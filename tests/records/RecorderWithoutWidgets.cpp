// A recorder as a program without a screen builds it: the engine with a clock of its own,
// linked against Qt's core only. It records three frames around a silence and checks the file
// byte for byte, and that neither Qt's widgets nor its GUI library were loaded with it.
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <string>

#include "records/engine/RecordingEngine.h"

namespace {

class StepClock : public lux::Clock {
 public:
  double secondsSinceMidnight() override {
    return static_cast<double>(now_.time().msecsSinceStartOfDay()) / 1000;
  }
  double monotonicSeconds() override { return static_cast<double>(start_.msecsTo(now_)) / 1000; }
  QDateTime localDateTime() override { return now_; }
  void idle(double seconds) override { now_ = now_.addMSecs(static_cast<qint64>(seconds * 1000)); }

 private:
  QDateTime now_{QDate(2026, 5, 31), QTime(23, 59, 58)};
  const QDateTime start_ = now_;
};

int fail(const char* what) {
  std::fprintf(stderr, "FAIL: %s\n", what);
  return 1;
}

}  // namespace

int main() {
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    if (line.find("libQt6Widgets") != std::string::npos) return fail("QtWidgets is loaded");
    if (line.find("libQt6Gui") != std::string::npos) return fail("QtGui is loaded");
  }

  QTemporaryDir dir;
  if (!dir.isValid()) return fail("no temporary folder");
  StepClock clock;
  lux::RecordingState state;
  lux::DisplayState display;
  state.samplingTicks = 1;
  display.unitText = "Fc";
  lux::RecordingEngine engine(state, display, clock);
  QString reason;
  const QString path = dir.filePath(QStringLiteral("survey.txt"));
  if (!engine.startFile(path, &reason)) return fail("the file did not start");
  long written = 0;
  QObject::connect(&engine, &lux::RecordingEngine::recordWritten,
                   [&written](long number, const lux::RecordSample&) { written = number; });
  const char* values[] = {"12.5", nullptr, "OL"};
  for (const char* v : values) {
    clock.idle(1.0);
    if (v) {
      display.mainValueText = v;
      ++display.framesDecoded;
    }
    engine.tick();
  }
  engine.stopFile();
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return fail("the file is gone");
  const QByteArray expected =
      "Fc\tTime\tValue\r\n"
      "1\t31-23:59:59\t12.5\r\n"
      "2\t01-00:00:01\tOL\r\n";
  if (f.readAll() != expected) return fail("the file differs");
  if (written != 2) return fail("recordWritten did not count the records");
  if (engine.status().missedMoments != 1) return fail("the silent moment was not counted");
  std::puts("ok");
  return 0;
}
