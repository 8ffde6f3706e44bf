// The program's command line, read before any display is asked for, and what the package
// hands the desktop: the icon's PNG sizes, the .desktop entry and the data files' MIME type.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QXmlStreamReader>
#include <map>

#include "SmallIcon.h"
#include "app/Program.h"

namespace lux {
namespace {

struct Outcome {
  int exitCode = -1;
  QString out, err;
};

// Runs the built program as from a console with no display at all, in the language `lang`
// (English when empty).
Outcome runWithoutDisplay(const QStringList& args, const QString& lang = {}) {
  Outcome r;
  const QString program = qEnvironmentVariable("LUXPANEL_BIN");
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* v :
       {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANGUAGE", "LC_ALL", "LC_MESSAGES"})
    env.remove(v);
  env.insert(QStringLiteral("LANG"), lang.isEmpty() ? QStringLiteral("C.UTF-8") : lang);
  p.setProcessEnvironment(env);
  p.start(program, args);
  if (!p.waitForFinished(20000)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    if (qEnvironmentVariable("LUXPANEL_BIN").isEmpty())
      GTEST_SKIP() << "LUXPANEL_BIN names the program (set by ctest)";
  }
};

TEST_F(CommandLine, HelpVersionAndMistakesAnswerWithoutADisplay) {
  Outcome help = runWithoutDisplay({QStringLiteral("--help")});
  EXPECT_EQ(help.exitCode, 0) << qPrintable(help.err);
  EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: luxpanel [options] [FILE]")))
      << qPrintable(help.out);
  EXPECT_TRUE(help.out.contains(QStringLiteral("--port")));
  EXPECT_FALSE(help.out.contains(QStringLiteral("platform")));  // Qt's own stay out of sight

  Outcome version = runWithoutDisplay({QStringLiteral("--version")});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, QStringLiteral("luxpanel " LUXPANEL_VERSION "\n"));

  Outcome bogus = runWithoutDisplay({QStringLiteral("--bogus")});
  EXPECT_EQ(bogus.exitCode, 2) << qPrintable(bogus.err);
  EXPECT_TRUE(bogus.err.contains(QStringLiteral("Unknown option 'bogus'")))
      << qPrintable(bogus.err);
  EXPECT_FALSE(bogus.err.contains(QStringLiteral("platform plugin")));

  Outcome twoFiles = runWithoutDisplay({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
  EXPECT_EQ(twoFiles.exitCode, 2);
  EXPECT_TRUE(twoFiles.err.contains(QStringLiteral("b.txt")));

  // Qt's options with their values are no data file and no mistake of ours.
  Outcome withQt = runWithoutDisplay(
      {QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("--nope")});
  EXPECT_EQ(withQt.exitCode, 2);
  EXPECT_TRUE(withQt.err.contains(QStringLiteral("'nope'"))) << qPrintable(withQt.err);
}

TEST_F(CommandLine, HelpSpeaksGermanUnderAGermanLocale) {
  Outcome help = runWithoutDisplay({QStringLiteral("--help")}, QStringLiteral("de_DE.UTF-8"));
  EXPECT_EQ(help.exitCode, 0) << qPrintable(help.err);
  EXPECT_TRUE(help.out.contains(QStringLiteral("Begleitprogramm des digitalen Luxmeters")))
      << qPrintable(help.out);
  EXPECT_TRUE(help.out.contains(QStringLiteral("Serielle Schnittstelle des Messgeräts")))
      << qPrintable(help.out);
  EXPECT_FALSE(help.out.contains(QStringLiteral("Companion program")));
  EXPECT_TRUE(help.out.contains(QStringLiteral("--port")));

  // A mistake is still answered, and still without a display.
  Outcome bogus = runWithoutDisplay({QStringLiteral("--bogus")}, QStringLiteral("de_DE.UTF-8"));
  EXPECT_EQ(bogus.exitCode, 2);
  EXPECT_TRUE(bogus.err.contains(QStringLiteral("bogus"))) << qPrintable(bogus.err);
  EXPECT_FALSE(bogus.err.contains(QStringLiteral("platform plugin")));
}

TEST(CommandLineParse, AFileNamedOnTheCommandLineIsOpenedAfterStart) {
  ProgramOptions o;
  ASSERT_EQ(parseCommandLine({QStringLiteral("luxpanel"), QStringLiteral("/tmp/readings.txt")}, o),
            ParseOutcome::Run);
  EXPECT_EQ(o.file, QStringLiteral("/tmp/readings.txt"));
  ProgramOptions q;
  ASSERT_EQ(parseCommandLine(
                {QStringLiteral("luxpanel"), QStringLiteral("-style"), QStringLiteral("fusion"),
                 QStringLiteral("--port"), QStringLiteral("COM2"), QStringLiteral("r.txt")},
                q),
            ParseOutcome::Run);
  EXPECT_EQ(q.file, QStringLiteral("r.txt"));
  EXPECT_EQ(q.port, QStringLiteral("COM2"));
  ProgramOptions none;
  ASSERT_EQ(parseCommandLine({QStringLiteral("luxpanel")}, none), ParseOutcome::Run);
  EXPECT_TRUE(none.file.isEmpty());
}

TEST(DesktopFiles, IconPngsAreDrawnAtEverySize) {
  const QString dir = qEnvironmentVariable("LUXPANEL_ICON_DIR");
  if (dir.isEmpty()) GTEST_SKIP() << "LUXPANEL_ICON_DIR is set by ctest";
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QImage png(QStringLiteral("%1/%2x%2/apps/luxpanel.png").arg(dir).arg(size));
    ASSERT_FALSE(png.isNull()) << size;
    EXPECT_EQ(png.size(), QSize(size, size));
    EXPECT_TRUE(png.hasAlphaChannel());
    EXPECT_GT(qAlpha(png.pixel(size / 2, size / 2)), 0) << size;
  }
}

// At 16 px the icon is its own drawing on the pixel grid: the display's glass in whole pixels of
// its colour, two dark digits on it and the keys below, not a blur of the large drawing.
TEST(DesktopFiles, SixteenPixelIconIsDrawnOnThePixelGrid) {
  const QString dir = qEnvironmentVariable("LUXPANEL_ICON_DIR");
  if (dir.isEmpty()) GTEST_SKIP() << "LUXPANEL_ICON_DIR is set by ctest";
  test::expectSmallIcon(QImage(dir + QStringLiteral("/16x16/apps/luxpanel.png")));
}

TEST(DesktopFiles, DesktopEntryPassesTheFileAndNamesTheDeclaredTypes) {
  const QString dir = qEnvironmentVariable("LUXPANEL_PACKAGING_DIR");
  if (dir.isEmpty()) GTEST_SKIP() << "LUXPANEL_PACKAGING_DIR is set by ctest";
  QFile desktop(dir + QStringLiteral("/luxpanel.desktop"));
  ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
  QStringList exec, mimeTypes;
  for (const QByteArray& line : desktop.readAll().split('\n')) {
    if (line.startsWith("Exec=")) exec = QString::fromUtf8(line.mid(5)).split(QLatin1Char(' '));
    if (line.startsWith("MimeType="))
      mimeTypes = QString::fromUtf8(line.mid(9)).split(QLatin1Char(';'), Qt::SkipEmptyParts);
  }
  EXPECT_EQ(exec, (QStringList{QStringLiteral("luxpanel"), QStringLiteral("%f")}));

  QFile xml(dir + QStringLiteral("/luxpanel-mime.xml"));
  ASSERT_TRUE(xml.open(QIODevice::ReadOnly));
  QXmlStreamReader reader(&xml);
  QStringList declared, magic;
  while (!reader.atEnd()) {
    if (reader.readNext() != QXmlStreamReader::StartElement) continue;
    if (reader.name() == QLatin1String("mime-type"))
      declared << reader.attributes().value(QLatin1String("type")).toString();
    if (reader.name() == QLatin1String("match"))
      magic << reader.attributes().value(QLatin1String("value")).toString();
  }
  ASSERT_FALSE(reader.hasError()) << qPrintable(reader.errorString());
  ASSERT_FALSE(declared.isEmpty());
  // Only the program's own type: a plain TSV file of another program is none of ours.
  EXPECT_EQ(mimeTypes, declared);
  EXPECT_FALSE(mimeTypes.contains(QStringLiteral("text/tab-separated-values")));
  // The magic is the header line this program writes (a TAB written as \t, as the format asks).
  EXPECT_TRUE(magic.contains(QStringLiteral("Lx\\tTime\\tValue")));
  EXPECT_TRUE(magic.contains(QStringLiteral("Fc\\tTime\\tValue")));
}

// The lines of a .desktop file or a manual page.
QStringList linesOf(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
}

TEST(DesktopFiles, MenusAndSoftwareCentresShowAGermanNameAndSummary) {
  const QString dir = qEnvironmentVariable("LUXPANEL_PACKAGING_DIR");
  if (dir.isEmpty()) GTEST_SKIP() << "LUXPANEL_PACKAGING_DIR is set by ctest";
  std::map<QString, QString> entry;
  for (const QString& line : linesOf(dir + QStringLiteral("/luxpanel.desktop"))) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq > 0) entry[line.left(eq)] = line.mid(eq + 1);
  }
  for (const char* key : {"Name", "GenericName", "Comment", "Keywords"}) {
    const QString german = QLatin1String(key) + QStringLiteral("[de]");
    ASSERT_TRUE(entry.count(german)) << key;
    EXPECT_FALSE(entry[german].trimmed().isEmpty()) << key;
  }
  EXPECT_NE(entry["Comment[de]"], entry["Comment"]);
  EXPECT_EQ(entry["GenericName[de]"], QStringLiteral("Luxmeter-Anzeige"));

  QFile xml(dir + QStringLiteral("/org.luxpanel.luxpanel.metainfo.xml"));
  ASSERT_TRUE(xml.open(QIODevice::ReadOnly));
  QXmlStreamReader reader(&xml);
  std::map<QString, QString> english, german;
  while (!reader.atEnd()) {
    if (reader.readNext() != QXmlStreamReader::StartElement) continue;
    const QString name = reader.name().toString();
    if (name != QLatin1String("name") && name != QLatin1String("summary")) continue;
    const QString lang = reader.attributes().value(QLatin1String("xml:lang")).toString();
    const QString text = reader.readElementText();
    (lang == QLatin1String("de") ? german : english)[name] = text;
  }
  ASSERT_FALSE(reader.hasError()) << qPrintable(reader.errorString());
  EXPECT_EQ(german["name"], QStringLiteral("luxpanel"));
  EXPECT_EQ(german["summary"],
            QStringLiteral("Ein digitales Luxmeter spiegeln, aufzeichnen und grafisch darstellen"));
  EXPECT_NE(german["summary"], english["summary"]);
}

// The manuals of the programs one package installs point to each other.
TEST(DesktopFiles, ManualsNameTheOtherProgramsOfTheirPackage) {
  const QString dir = qEnvironmentVariable("LUXPANEL_PACKAGING_DIR");
  if (dir.isEmpty()) GTEST_SKIP() << "LUXPANEL_PACKAGING_DIR is set by ctest";
  auto seeAlso = [&](const char* page) {
    QStringList refs;
    bool inSection = false;
    for (const QString& line : linesOf(dir + QLatin1Char('/') + QLatin1String(page))) {
      if (line.startsWith(QLatin1String(".SH")))
        inSection = line.contains(QLatin1String("SEE ALSO"));
      else if (inSection && line.startsWith(QLatin1String(".BR ")))
        refs << line.mid(4).section(QLatin1Char(' '), 0, 0);
    }
    return refs;
  };
  EXPECT_EQ(seeAlso("luxpanel.1"),
            (QStringList{QStringLiteral("luxpanel-cli"), QStringLiteral("luxpanel-sim")}));
  EXPECT_TRUE(seeAlso("luxpanel-cli.1").contains(QStringLiteral("luxpanel")));
}

}  // namespace
}  // namespace lux
