#pragma once
// luxpanel-sim as a child process, for tests that run the real programs on its pseudo-terminal:
// the port path comes from its first line, control commands go to its stdin.
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QThread>
#include <functional>

namespace lux::test {

class SimProcess {
 public:
  SimProcess(QString program, QString linkPath)
      : program_(std::move(program)), linkPath_(std::move(linkPath)) {}
  ~SimProcess() { stop(); }

  bool start(const QStringList& extra = {}) {
    process_.setProgram(program_);
    process_.setArguments(QStringList{"--link", linkPath_, "--no-overloads"} + extra);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start();
    if (!process_.waitForStarted(5000)) return false;
    QElapsedTimer t;
    t.start();
    while (!process_.canReadLine() && t.elapsed() < 10000) process_.waitForReadyRead(200);
    return process_.canReadLine() && !process_.readLine().trimmed().isEmpty();
  }

  // One control command; its answer line ("ok ..." or "error: ...").
  QString command(const QString& line) {
    process_.write((line + "\n").toUtf8());
    process_.waitForBytesWritten(2000);
    QElapsedTimer t;
    t.start();
    while (!process_.canReadLine() && t.elapsed() < 5000) process_.waitForReadyRead(100);
    return QString::fromUtf8(process_.readLine()).trimmed();
  }

  void stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.write("quit\n");
    if (!process_.waitForFinished(3000)) {
      process_.kill();
      process_.waitForFinished(3000);
    }
  }

  const QString& portPath() const { return linkPath_; }

 private:
  QString program_;
  QString linkPath_;
  QProcess process_;
};

// Repeats `check` every 20 ms until it holds or `seconds` have passed.
inline bool eventually(double seconds, const std::function<bool()>& check) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < seconds * 1000) {
    if (check()) return true;
    QThread::msleep(20);
  }
  return check();
}

}  // namespace lux::test
