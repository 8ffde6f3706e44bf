#pragma once
// Stand-ins for the clock, the dialog layer and the panel's poll timer, so that a benchmark times
// the program's own work and not the user's or the meter's waits.
#include <QCoreApplication>
#include <QDateTime>
#include <QPrinter>
#include <QString>
#include <cstdio>
#include <optional>

#include "core/Context.h"
#include "link/Clock.h"
#include "ui/Dialogs.h"

namespace lux::bench {

// Time passes only when the program waits, and waits return at once.
class StepClock : public Clock {
 public:
  double secondsSinceMidnight() override { return 36000 + t_; }
  double monotonicSeconds() override { return t_; }
  QDateTime localDateTime() override {
    return QDateTime(QDate(2026, 3, 9), QTime(10, 0)).addMSecs(static_cast<qint64>(t_ * 1000));
  }
  void idle(double seconds) override {
    t_ += seconds > 0 ? seconds : 0.001;
    QCoreApplication::processEvents();
  }
  double t_ = 0;
};

// Answers every dialog without a user: Save As gives `savePath` (none when empty), the printer
// dialog prints to `pdfPath` (cancelled when empty); messages are counted, and printed when
// `echoMessages` is set.
class BenchDialogs : public Dialogs {
 public:
  void message(const QString& text) override {
    ++messages;
    if (echoMessages) std::printf("message: %s\n", qPrintable(text));
  }
  bool confirm(const QString&, const QString&) override { return false; }
  QString input(const QString&, const QString&, const QString&) override { return {}; }
  std::optional<QString> saveFileName(const QString&) override {
    if (savePath.isEmpty()) return std::nullopt;
    return savePath;
  }
  std::optional<QString> openFileName(const QString&) override { return std::nullopt; }
  bool printerSetup(QPrinter& printer) override {
    if (pdfPath.isEmpty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfPath);
    return true;
  }
  void setBusy(bool) override {}
  QString savePath, pdfPath;
  bool echoMessages = false;
  int messages = 0;
};

class BenchPoll : public PollControl {
 public:
  void setPollEnabled(bool on) override { on_ = on; }
  bool pollEnabled() const override { return on_; }
  bool on_ = true;
};

}  // namespace lux::bench
