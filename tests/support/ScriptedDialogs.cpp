#include "support/ScriptedDialogs.h"

#include <QPrinter>
#include <gtest/gtest.h>

namespace lux::test {

namespace {
const char* kindName(ScriptedDialogs::Kind k) {
  switch (k) {
    case ScriptedDialogs::Kind::Message: return "message box";
    case ScriptedDialogs::Kind::Confirm: return "confirmation";
    case ScriptedDialogs::Kind::AskSave: return "save question";
    case ScriptedDialogs::Kind::Input: return "input box";
    case ScriptedDialogs::Kind::SaveFile: return "Save As dialog";
    case ScriptedDialogs::Kind::OpenFile: return "Open dialog";
    case ScriptedDialogs::Kind::Printer: return "printer dialog";
  }
  return "?";
}
}  // namespace

ScriptedDialogs::~ScriptedDialogs() {
  if (!script_.empty()) {
    ADD_FAILURE() << script_.size() << " scripted dialog answer(s) never asked for; next was a "
                  << kindName(script_.front().kind);
  }
}

ScriptedDialogs& ScriptedDialogs::expectMessage() {
  script_.push_back({Kind::Message, true, {}, std::nullopt});
  return *this;
}
ScriptedDialogs& ScriptedDialogs::answerConfirm(bool ok) {
  script_.push_back({Kind::Confirm, ok, {}, std::nullopt});
  return *this;
}
ScriptedDialogs& ScriptedDialogs::answerSave(SaveChoice choice) {
  Answer a{Kind::AskSave, true, {}, std::nullopt};
  a.choice = choice;
  script_.push_back(a);
  return *this;
}
ScriptedDialogs& ScriptedDialogs::answerInput(const QString& text) {
  script_.push_back({Kind::Input, true, text, std::nullopt});
  return *this;
}
ScriptedDialogs& ScriptedDialogs::answerSaveFile(std::optional<QString> path) {
  script_.push_back({Kind::SaveFile, path.has_value(), {}, std::move(path)});
  return *this;
}
ScriptedDialogs& ScriptedDialogs::answerOpenFile(std::optional<QString> path) {
  script_.push_back({Kind::OpenFile, path.has_value(), {}, std::move(path)});
  return *this;
}
ScriptedDialogs& ScriptedDialogs::answerPrinter(std::optional<QString> pdfPath) {
  script_.push_back({Kind::Printer, pdfPath.has_value(), {}, std::move(pdfPath)});
  return *this;
}

std::optional<ScriptedDialogs::Answer> ScriptedDialogs::next(Kind kind) {
  if (script_.empty()) {
    ADD_FAILURE() << "unexpected " << kindName(kind) << ": "
                  << shown_.back().text.toStdString();
    return std::nullopt;
  }
  Answer a = script_.front();
  script_.pop_front();
  if (a.kind != kind) {
    ADD_FAILURE() << "expected a " << kindName(a.kind) << " but the program showed a "
                  << kindName(kind) << ": " << shown_.back().text.toStdString();
    return std::nullopt;
  }
  return a;
}

std::vector<QString> ScriptedDialogs::messages() const {
  std::vector<QString> out;
  for (const Shown& s : shown_)
    if (s.kind == Kind::Message) out.push_back(s.text);
  return out;
}

void ScriptedDialogs::message(const QString& text) {
  shown_.push_back({Kind::Message, text, {}, {}});
  next(Kind::Message);
}

bool ScriptedDialogs::confirm(const QString& text, const QString& title) {
  shown_.push_back({Kind::Confirm, text, title, {}});
  auto a = next(Kind::Confirm);
  return a && a->ok;
}

SaveChoice ScriptedDialogs::askSave(const QString& text, const QString& title) {
  shown_.push_back({Kind::AskSave, text, title, {}});
  auto a = next(Kind::AskSave);
  return a ? a->choice : SaveChoice::Cancel;
}

QString ScriptedDialogs::input(const QString& prompt, const QString& title,
                               const QString& defaultText) {
  shown_.push_back({Kind::Input, prompt, title, defaultText});
  auto a = next(Kind::Input);
  return a ? a->text : QString();
}

std::optional<QString> ScriptedDialogs::saveFileName(const QString& filter) {
  shown_.push_back({Kind::SaveFile, filter, {}, {}});
  auto a = next(Kind::SaveFile);
  return a ? a->path : std::nullopt;
}

std::optional<QString> ScriptedDialogs::openFileName(const QString& filter) {
  shown_.push_back({Kind::OpenFile, filter, {}, {}});
  auto a = next(Kind::OpenFile);
  return a ? a->path : std::nullopt;
}

bool ScriptedDialogs::printerSetup(QPrinter& printer) {
  shown_.push_back({Kind::Printer, {}, {}, {}});
  auto a = next(Kind::Printer);
  if (!a || !a->path) return false;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(*a->path);
  return true;
}

void ScriptedDialogs::setBusy(bool busy) { busy_ += busy ? 1 : -1; }

}  // namespace lux::test
