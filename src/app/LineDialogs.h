#pragma once
// The dialog layer as commands see it: while a box waits for the user, the command that opened
// it lets go of the line, so the poll keeps the panel live instead of stalling behind the box.
#include "link/Logging.h"
#include "link/MeterLink.h"
#include "ui/Dialogs.h"

namespace lux {

class LineDialogs : public Dialogs {
 public:
  LineDialogs(Dialogs& inner, MeterLink& link) : inner_(inner), link_(link) {}

  void message(const QString& text) override {
    // What the user was told goes to the log too: a report from the field then says it.
    qCInfo(lcApp, "told the user: %s",
           qUtf8Printable(QString(text)
                              .replace(QLatin1String("\r\n"), QLatin1String(" "))
                              .replace(QLatin1Char('\n'), QLatin1Char(' '))));
    LineYield yield(link_);
    inner_.message(text);
  }
  bool confirm(const QString& text, const QString& title) override {
    LineYield yield(link_);
    return inner_.confirm(text, title);
  }
  SaveChoice askSave(const QString& text, const QString& title) override {
    LineYield yield(link_);
    return inner_.askSave(text, title);
  }
  QString input(const QString& prompt, const QString& title, const QString& defaultText) override {
    LineYield yield(link_);
    return inner_.input(prompt, title, defaultText);
  }
  std::optional<QString> saveFileName(const QString& filter) override {
    LineYield yield(link_);
    return inner_.saveFileName(filter);
  }
  std::optional<QString> openFileName(const QString& filter) override {
    LineYield yield(link_);
    return inner_.openFileName(filter);
  }
  bool printerSetup(QPrinter& printer) override {
    LineYield yield(link_);
    return inner_.printerSetup(printer);
  }
  void setBusy(bool busy) override { inner_.setBusy(busy); }

 private:
  Dialogs& inner_;
  MeterLink& link_;
};

}  // namespace lux
