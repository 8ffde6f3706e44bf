// The shipped .ts files: every text the program shows has a finished translation that keeps the
// placeholders, line breaks, accelerators and ellipses of its English source, and the files hold
// exactly the texts the sources mark for translation (nobody forgot update_translations).
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <algorithm>
#include <vector>

namespace {

struct Message {
  QString context;
  QString source;
  QString type;  // "unfinished", "vanished", "obsolete" or empty when finished
  bool numerus = false;
  QStringList forms;  // the translation, or its plural forms
};

struct TsFile {
  QString language;
  std::vector<Message> messages;
  QString error;
};

// The text of the element the reader is on, with lupdate's <byte value="xd"/> for a CR.
QString elementText(QXmlStreamReader& xml) {
  QString text;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isCharacters()) {
      text += xml.text();
    } else if (xml.isStartElement() && xml.name() == QLatin1String("byte")) {
      bool ok = false;
      const uint code = xml.attributes().value(QLatin1String("value")).mid(1).toUInt(&ok, 16);
      if (ok) text += QChar(code);
      xml.skipCurrentElement();
    } else if (xml.isEndElement()) {
      break;
    }
  }
  return text;
}

TsFile readTs(const QString& path) {
  TsFile ts;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    ts.error = QStringLiteral("cannot open ") + path;
    return ts;
  }
  QXmlStreamReader xml(&file);
  QString context;
  Message* current = nullptr;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) continue;
    const auto name = xml.name();
    if (name == QLatin1String("TS")) {
      ts.language = xml.attributes().value(QLatin1String("language")).toString();
    } else if (name == QLatin1String("name")) {
      context = elementText(xml);
    } else if (name == QLatin1String("message")) {
      ts.messages.push_back({});
      current = &ts.messages.back();
      current->context = context;
      current->numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
    } else if (current && name == QLatin1String("source")) {
      current->source = elementText(xml);
    } else if (current && name == QLatin1String("translation")) {
      current->type = xml.attributes().value(QLatin1String("type")).toString();
      if (!current->numerus) current->forms << elementText(xml);
    } else if (current && name == QLatin1String("numerusform")) {
      current->forms << elementText(xml);
    }
  }
  if (xml.hasError()) ts.error = xml.errorString();
  return ts;
}

QStringList tsFiles() {
  return QString::fromUtf8(LUX_TS_FILES).split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

// %1..%99 and %n (also in their %L forms), sorted, so that a moved placeholder still matches.
std::string placeholders(const QString& text) {
  static const QRegularExpression re(QStringLiteral("%L?(\\d{1,2}|n)"));
  QStringList found;
  for (auto it = re.globalMatch(text); it.hasNext();) found << it.next().captured(1);
  found.sort();
  return found.join(QLatin1Char(' ')).toStdString();
}

// The letter after a single '&' ("&&" is a plain ampersand), or a null QChar.
QChar accelerator(const QString& text, int* count) {
  QChar letter;
  *count = 0;
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != QLatin1Char('&')) continue;
    if (text[i + 1] == QLatin1Char('&')) {
      ++i;
      continue;
    }
    if (text[i + 1].isSpace()) continue;
    ++*count;
    letter = text[i + 1].toLower();
  }
  return letter;
}

QString where(const Message& m) {
  return m.context + QStringLiteral(" | ") + m.source;
}

class TranslationFile : public ::testing::TestWithParam<QString> {
 protected:
  void SetUp() override {
    ts = readTs(GetParam());
    ASSERT_TRUE(ts.error.isEmpty()) << ts.error.toStdString();
    ASSERT_FALSE(ts.messages.empty());
  }
  TsFile ts;
};

TEST_P(TranslationFile, EveryMessageHasAFinishedTranslation) {
  EXPECT_FALSE(ts.language.isEmpty());
  for (const Message& m : ts.messages) {
    const std::string at = where(m).toStdString();
    EXPECT_TRUE(m.type.isEmpty()) << m.type.toStdString() << ": " << at;
    ASSERT_FALSE(m.forms.isEmpty()) << at;
    // German has a singular and one plural form.
    if (m.numerus && ts.language.startsWith(QLatin1String("de"))) {
      EXPECT_EQ(m.forms.size(), 2) << at;
    }
    for (const QString& f : m.forms) EXPECT_FALSE(f.trimmed().isEmpty()) << at;
  }
}

TEST_P(TranslationFile, TranslationsKeepPlaceholdersLineBreaksAndEllipses) {
  for (const Message& m : ts.messages) {
    const std::string at = where(m).toStdString();
    if (m.numerus) {
      EXPECT_TRUE(m.source.contains(QLatin1String("%n"))) << at;
    }

    for (const QString& f : m.forms) {
      EXPECT_EQ(placeholders(f), placeholders(m.source)) << at << " -> " << f.toStdString();
      EXPECT_EQ(f.count(QLatin1Char('\n')), m.source.count(QLatin1Char('\n'))) << at;
      EXPECT_EQ(f.count(QLatin1Char('\r')), m.source.count(QLatin1Char('\r'))) << at;
      // A prompt's trailing space or line end is part of how the box lays it out.
      const auto tail = [](const QString& s) {
        qsizetype n = s.size();
        while (n > 0 && s[n - 1].isSpace()) --n;
        return s.mid(n);
      };
      EXPECT_EQ(tail(f), tail(m.source)) << at;
      for (const char* dots : {"…", "..."}) {
        if (m.source.endsWith(QString::fromUtf8(dots))) {
          EXPECT_TRUE(f.endsWith(QString::fromUtf8(dots))) << at << " -> " << f.toStdString();
        }
      }
    }
  }
}

TEST_P(TranslationFile, AcceleratorsAreKeptAndDistinctWithinAContext) {
  QHash<QString, QSet<QChar>> taken;
  for (const Message& m : ts.messages) {
    int inSource = 0;
    accelerator(m.source, &inSource);
    for (const QString& f : m.forms) {
      int inTranslation = 0;
      const QChar letter = accelerator(f, &inTranslation);
      EXPECT_EQ(inTranslation, inSource) << where(m).toStdString() << " -> " << f.toStdString();
      if (inTranslation == 1) {
        EXPECT_FALSE(taken[m.context].contains(letter))
            << "accelerator '" << QString(letter).toStdString() << "' twice in "
            << m.context.toStdString();
        taken[m.context].insert(letter);
      }
    }
  }
}

// lupdate run afresh over the program's sources (luxpanel-cli's stay English) must find exactly
// the texts the shipped file holds.
TEST_P(TranslationFile, HoldsExactlyTheTextsOfTheSources) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString root = QString::fromUtf8(LUX_SOURCE_DIR);
  QStringList sources;
  QDirIterator it(root + QStringLiteral("/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                  QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    if (!path.contains(QLatin1String("/src/cli/"))) sources << path;
  }
  ASSERT_FALSE(sources.isEmpty());
  QFile list(dir.filePath(QStringLiteral("sources.lst")));
  ASSERT_TRUE(list.open(QIODevice::WriteOnly));
  list.write((sources.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
  list.close();

  const QString fresh = dir.filePath(QStringLiteral("fresh.ts"));
  QProcess lupdate;
  lupdate.setProcessChannelMode(QProcess::MergedChannels);
  lupdate.start(QString::fromUtf8(LUX_LUPDATE),
                {QStringLiteral("-locations"), QStringLiteral("none"), QStringLiteral("-I"),
                 root + QStringLiteral("/src"), QStringLiteral("-I"), root,
                 QLatin1Char('@') + list.fileName(), QStringLiteral("-ts"), fresh});
  ASSERT_TRUE(lupdate.waitForStarted(10000)) << LUX_LUPDATE;
  ASSERT_TRUE(lupdate.waitForFinished(60000)) << "lupdate did not finish";
  ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAll().toStdString();

  const TsFile now = readTs(fresh);
  ASSERT_TRUE(now.error.isEmpty()) << now.error.toStdString();
  QSet<QString> inSources, shipped;
  for (const Message& m : now.messages) inSources.insert(where(m));
  for (const Message& m : ts.messages) shipped.insert(where(m));
  for (const QString& s : inSources - shipped)
    ADD_FAILURE() << "not in the .ts (run update_translations): " << s.toStdString();
  for (const QString& s : shipped - inSources)
    ADD_FAILURE() << "in the .ts but no longer in the sources: " << s.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Shipped, TranslationFile, ::testing::ValuesIn([] {
                           std::vector<QString> files;
                           for (const QString& f : tsFiles()) files.push_back(f);
                           return files;
                         }()),
                         [](const ::testing::TestParamInfo<QString>& info) {
                           QString name = QFileInfo(info.param).baseName();
                           name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")),
                                        QStringLiteral("_"));
                           return name.toStdString();
                         });

}  // namespace
