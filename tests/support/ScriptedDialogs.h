#pragma once
// The dialog layer for tests: each dialog the program shows takes the next scripted answer, in
// order. A dialog of another kind than scripted, or one with no answer left, fails the test and
// is answered as cancelled. Everything shown is logged for assertions.
#include <QString>
#include <deque>
#include <optional>
#include <vector>

#include "ui/Dialogs.h"

namespace lux::test {

class ScriptedDialogs : public Dialogs {
 public:
  enum class Kind { Message, Confirm, AskSave, Input, SaveFile, OpenFile, Printer };

  struct Shown {
    Kind kind;
    QString text;   // message text, confirm text, input prompt
    QString title;  // confirm and input title
    QString defaultText;
  };

  ~ScriptedDialogs() override;

  // Script the next answers.
  ScriptedDialogs& expectMessage();
  ScriptedDialogs& answerConfirm(bool ok);
  ScriptedDialogs& answerSave(SaveChoice choice);
  ScriptedDialogs& answerInput(const QString& text);  // "" = Cancel
  ScriptedDialogs& answerSaveFile(std::optional<QString> path);
  ScriptedDialogs& answerOpenFile(std::optional<QString> path);
  // Printer dialog: print to this PDF file, or cancel with nullopt.
  ScriptedDialogs& answerPrinter(std::optional<QString> pdfPath);

  const std::vector<Shown>& shown() const { return shown_; }
  std::vector<QString> messages() const;  // texts of the message boxes shown
  bool allAnswered() const { return script_.empty(); }
  int busyDepth() const { return busy_; }
  bool busyNow() const { return busy_ > 0; }

  void message(const QString& text) override;
  bool confirm(const QString& text, const QString& title) override;
  SaveChoice askSave(const QString& text, const QString& title) override;
  QString input(const QString& prompt, const QString& title, const QString& defaultText) override;
  std::optional<QString> saveFileName(const QString& filter) override;
  std::optional<QString> openFileName(const QString& filter) override;
  bool printerSetup(QPrinter& printer) override;
  void setBusy(bool busy) override;

 private:
  struct Answer {
    Kind kind;
    bool ok = true;
    QString text;
    std::optional<QString> path;
    SaveChoice choice = SaveChoice::Cancel;
  };
  std::optional<Answer> next(Kind kind);

  std::deque<Answer> script_;
  std::vector<Shown> shown_;
  int busy_ = 0;
};

}  // namespace lux::test
