#pragma once
// The manual inside the program (Help ▸ Manual, F1): the manual page luxpanel(1), built into the
// program, shown as formatted text in a window of its own. It needs no man-page viewer, browser
// or documentation package on the machine, so F1 always shows it.
#include <QString>
#include <QUrl>
#include <QWidget>
#include <functional>

class QTextBrowser;

namespace lux {

// The manual page's roff source (the man macros it uses: .TH .SH .SS .PP .TP .IP .br .nf .fi,
// .B .I and their alternating forms, \fB \fI \fR, \- and the like) as HTML.
QString manualHtml(const QString& roff);

// The program's own manual page, as built into the program.
QString builtInManual();

class ManualWindow : public QWidget {
  Q_OBJECT
 public:
  // Links in the manual are handed to `openLink` (the desktop's browser).
  explicit ManualWindow(std::function<bool(const QUrl&)> openLink, QWidget* parent = nullptr);

  QTextBrowser* text() const { return text_; }

 private:
  QTextBrowser* text_ = nullptr;
};

}  // namespace lux
