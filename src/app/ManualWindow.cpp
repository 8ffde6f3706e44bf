#include "app/ManualWindow.h"

#include <QFile>
#include <QFontMetrics>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace lux {

namespace {

// Arguments of a macro line: words, or "quoted words" taken as one.
QStringList macroArguments(const QString& rest) {
  QStringList args;
  QString current;
  bool quoted = false, any = false;
  for (const QChar c : rest) {
    if (c == QLatin1Char('"')) {
      quoted = !quoted;
      any = true;
    } else if (c == QLatin1Char(' ') && !quoted) {
      if (any) args << current;
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) args << current;
  return args;
}

// One piece of running text: HTML's own characters escaped, the font escapes as tags (closed at
// the end of the piece), the special characters as themselves.
QString inlineText(const QString& roff) {
  QString out;
  QString open;  // the tag of the font in force, "" for roman
  auto setFont = [&](const QString& tag) {
    if (!open.isEmpty()) out += QStringLiteral("</%1>").arg(open);
    open = tag;
    if (!open.isEmpty()) out += QStringLiteral("<%1>").arg(open);
  };
  for (qsizetype i = 0; i < roff.size(); ++i) {
    const QChar c = roff.at(i);
    if (c == QLatin1Char('\\') && i + 1 < roff.size()) {
      const QChar e = roff.at(++i);
      if (e == QLatin1Char('f') && i + 1 < roff.size()) {
        const QChar f = roff.at(++i);
        setFont(f == QLatin1Char('B')   ? QStringLiteral("b")
                : f == QLatin1Char('I') ? QStringLiteral("i")
                                        : QString());
      } else if (e == QLatin1Char('(') && i + 2 < roff.size()) {
        const QString name = roff.mid(i + 1, 2);
        i += 2;
        if (name == QLatin1String("em"))
          out += QChar(0x2014);
        else if (name == QLatin1String("en"))
          out += QChar(0x2013);
        else if (name == QLatin1String("bu"))
          out += QChar(0x2022);
        else if (name == QLatin1String("co"))
          out += QChar(0x00a9);
      } else if (e == QLatin1Char('-')) {
        out += QLatin1Char('-');
      } else if (e == QLatin1Char('e') || e == QLatin1Char('\\')) {
        out += QLatin1Char('\\');
      } else if (e == QLatin1Char('&') || e == QLatin1Char('c')) {
        // zero-width: nothing to show
      } else {
        out += QString(e).toHtmlEscaped();
      }
      continue;
    }
    out += QString(c).toHtmlEscaped();
  }
  setFont(QString());
  return out;
}

// .BR, .BI, .IR ...: the arguments in two fonts by turns, joined without spaces.
QString alternating(const QStringList& args, const QString& first, const QString& second) {
  QString out;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& tag = i % 2 == 0 ? first : second;
    const QString text = inlineText(args.at(i));
    out += tag.isEmpty() ? text : QStringLiteral("<%1>%2</%1>").arg(tag, text);
  }
  return out;
}

class HtmlWriter {
 public:
  void text(const QString& html) {
    if (preformatted_) {
      out_ += html + QLatin1Char('\n');
      return;
    }
    if (termNext_) {
      out_ += QStringLiteral("<dt>") + html + QStringLiteral("</dt><dd>");
      termNext_ = false;
      inDefinition_ = true;
      return;
    }
    if (!inParagraph_ && !inDefinition_) {
      out_ += QStringLiteral("<p>");
      inParagraph_ = true;
    }
    out_ += html + QLatin1Char(' ');
  }
  void heading(int level, const QString& html) {
    closeAll();
    out_ += QStringLiteral("<h%1>%2</h%1>").arg(level).arg(html);
  }
  void paragraph() { closeAll(); }
  void term() {
    closeParagraph();
    if (!inList_) {
      out_ += QStringLiteral("<dl>");
      inList_ = true;
    }
    if (inDefinition_) out_ += QStringLiteral("</dd>");
    inDefinition_ = false;
    termNext_ = true;
  }
  void lineBreak() { out_ += QStringLiteral("<br>"); }
  void preformatted(bool on) {
    if (on == preformatted_) return;
    if (on) closeParagraph();
    out_ += on ? QStringLiteral("<pre>") : QStringLiteral("</pre>");
    preformatted_ = on;
  }
  QString finish() {
    preformatted(false);
    closeAll();
    return out_;
  }

 private:
  void closeParagraph() {
    if (inParagraph_) out_ += QStringLiteral("</p>");
    inParagraph_ = false;
  }
  void closeAll() {
    preformatted(false);
    closeParagraph();
    if (inDefinition_) out_ += QStringLiteral("</dd>");
    if (inList_) out_ += QStringLiteral("</dl>");
    inDefinition_ = inList_ = termNext_ = false;
  }

  QString out_;
  bool inParagraph_ = false, inList_ = false, inDefinition_ = false, termNext_ = false;
  bool preformatted_ = false;
};

}  // namespace

QString manualHtml(const QString& roff) {
  HtmlWriter w;
  QString title;
  for (QString line : roff.split(QLatin1Char('\n'))) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (line.startsWith(QLatin1String(".\\\"")) || line.startsWith(QLatin1String("'\\\"")))
      continue;
    if (!line.startsWith(QLatin1Char('.'))) {
      w.text(inlineText(line));
      continue;
    }
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    const QString macro = line.mid(1, space < 0 ? -1 : space - 1);
    const QStringList args = macroArguments(space < 0 ? QString() : line.mid(space + 1));
    const QString joined = args.join(QLatin1Char(' '));
    if (macro == QLatin1String("TH")) {
      title = args.value(0).toLower() + QStringLiteral("(") + args.value(1) + QStringLiteral(")");
      w.heading(1, inlineText(title));
    } else if (macro == QLatin1String("SH")) {
      w.heading(2, inlineText(joined));
    } else if (macro == QLatin1String("SS")) {
      w.heading(3, inlineText(joined));
    } else if (macro == QLatin1String("PP") || macro == QLatin1String("LP") ||
               macro == QLatin1String("P")) {
      w.paragraph();
    } else if (macro == QLatin1String("TP")) {
      w.term();
    } else if (macro == QLatin1String("IP")) {
      w.term();
      w.text(inlineText(args.value(0)));
    } else if (macro == QLatin1String("br")) {
      w.lineBreak();
    } else if (macro == QLatin1String("nf")) {
      w.preformatted(true);
    } else if (macro == QLatin1String("fi")) {
      w.preformatted(false);
    } else if (macro == QLatin1String("B")) {
      w.text(QStringLiteral("<b>") + inlineText(joined) + QStringLiteral("</b>"));
    } else if (macro == QLatin1String("I")) {
      w.text(QStringLiteral("<i>") + inlineText(joined) + QStringLiteral("</i>"));
    } else if (macro.size() == 2 && QStringLiteral("BIR").contains(macro.at(0)) &&
               QStringLiteral("BIR").contains(macro.at(1)) && macro.at(0) != macro.at(1)) {
      auto tag = [](QChar f) {
        return f == QLatin1Char('B')   ? QStringLiteral("b")
               : f == QLatin1Char('I') ? QStringLiteral("i")
                                       : QString();
      };
      w.text(alternating(args, tag(macro.at(0)), tag(macro.at(1))));
    }
    // Other requests (spacing, hyphenation, ...) change nothing a reader needs.
  }
  return w.finish();
}

QString builtInManual() {
  QFile page(QStringLiteral(":/app/luxpanel.1"));
  if (!page.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(page.readAll());
}

ManualWindow::ManualWindow(std::function<bool(const QUrl&)> openLink, QWidget* parent)
    : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("Manual"));
  setWindowTitle(tr("luxpanel Manual"));
  setAttribute(Qt::WA_DeleteOnClose);
  text_ = new QTextBrowser(this);
  text_->setObjectName(QStringLiteral("ManualText"));
  text_->setAccessibleName(tr("Manual"));
  text_->setOpenLinks(false);
  text_->setHtml(manualHtml(builtInManual()));
  connect(text_, &QTextBrowser::anchorClicked, this, [openLink](const QUrl& url) {
    if (openLink) openLink(url);
  });
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(text_);
  // About 80 characters wide and 40 lines high; the program keeps every window on the screen.
  const QFontMetrics fm(text_->font());
  resize(fm.averageCharWidth() * 84, fm.lineSpacing() * 40);
}

}  // namespace lux
