// The program's windows with the German translation installed speak German (menu titles, a
// refusal box, window titles, the list header, Qt's own buttons), and with the C locale they show
// the English texts exactly as written. The list's saved header row stays English either way.
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QPushButton>

#include "app/PortWindow.h"
#include "app/Translations.h"
#include "desktop/DesktopFixture.h"
#include "records/ListWindows.h"
#include "ui/GridModel.h"

namespace lux::test {
namespace {

// Installed before the fixture builds its windows: texts are looked up when a window is made.
struct InGerman {
  InGerman() { loaded = installTranslations(*qApp, QLocale(QLocale::German, QLocale::Germany)); }
  bool loaded = false;
};
struct InCLocale {
  InCLocale() { loaded = installTranslations(*qApp, QLocale::c()); }
  bool loaded = true;
};

struct Shown {
  QString file, meter, view, help, saveTip, portTitle, portButton, listTitle, listHeader, listCell,
      refusal, aboutTitle;
};

// The desktop fixture with `Language` installed before its windows are made.
template <class Language>
class Windows : public Language, public DesktopTest {
 protected:
  ~Windows() override { installTranslations(*qApp, QLocale::c()); }

  Shown whatTheWindowsShow() {
    Shown s;
    s.file = menu("MenuFile")->title();
    s.meter = menu("MenuMeter")->title();
    s.view = menu("MenuView")->title();
    s.help = menu("MenuHelp")->title();
    s.saveTip = panel->commandAction(ToolbarCommand::Save)->toolTip();
    PortWindow port(state.link);
    s.portTitle = port.windowTitle();
    if (auto* ok = port.findChild<QPushButton*>(QStringLiteral("CmdOK"))) s.portButton = ok->text();

    menuItem(ToolbarCommand::List)->trigger();
    if (ListWindow* list = realTimeList(*ctx)) {
      s.listTitle = list->windowTitle();
      s.listHeader = list->grid().headerData(1, Qt::Horizontal, Qt::DisplayRole).toString();
      s.listCell = list->grid().cell(0, 1);
    }
    state.recording.fileRecording = true;
    dialogs.expectMessage();
    menuItem(ToolbarCommand::Open)->trigger();
    if (!dialogs.shown().empty()) s.refusal = dialogs.shown().back().text;
    state.recording.fileRecording = false;
    menuItem("MenuAbout")->trigger();
    s.aboutTitle = aboutTitle;
    return s;
  }
};
using GermanWindows = Windows<InGerman>;
using EnglishWindows = Windows<InCLocale>;

TEST_F(GermanWindows, ShowGermanTexts) {
  ASSERT_TRUE(loaded) << "no embedded :/i18n/luxpanel_de.qm";
  ASSERT_NE(menuBar, nullptr);
  const Shown s = whatTheWindowsShow();
  EXPECT_EQ(s.file, QStringLiteral("&Datei"));
  EXPECT_EQ(s.meter, QStringLiteral("&Messgerät"));
  EXPECT_EQ(s.view, QStringLiteral("&Ansicht"));
  EXPECT_EQ(s.help, QStringLiteral("&Hilfe"));
  EXPECT_EQ(s.saveTip, QStringLiteral("Speichern unter"));
  EXPECT_EQ(s.portTitle, QStringLiteral("COM-Schnittstelle"));
  EXPECT_EQ(s.listTitle, QStringLiteral("Echtzeitliste"));
  EXPECT_EQ(s.listHeader, QStringLiteral("Zeit"));
  // What Save writes into the data file is the header row itself.
  EXPECT_EQ(s.listCell, QStringLiteral("Time"));
  EXPECT_EQ(s.refusal, QStringLiteral("Aufzeichnungsmodus!\nBitte beenden Sie die Aufzeichnung!"));
  EXPECT_EQ(s.aboutTitle, QStringLiteral("Über luxpanel"));
}

TEST_F(GermanWindows, QtsOwnButtonsSpeakGermanToo) {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!QFileInfo::exists(folder + QStringLiteral("/qtbase_de.qm")))
    GTEST_SKIP() << "Qt's German translation is not installed (qt6-translations-l10n)";
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
}

TEST_F(EnglishWindows, ShowTheEnglishTextsAsWritten) {
  EXPECT_FALSE(loaded);
  ASSERT_NE(menuBar, nullptr);
  const Shown s = whatTheWindowsShow();
  EXPECT_EQ(s.file, QStringLiteral("&File"));
  EXPECT_EQ(s.meter, QStringLiteral("&Meter"));
  EXPECT_EQ(s.view, QStringLiteral("&View"));
  EXPECT_EQ(s.help, QStringLiteral("&Help"));
  EXPECT_EQ(s.saveTip, QStringLiteral("Save As"));
  EXPECT_EQ(s.portTitle, QStringLiteral("COM Port"));
  EXPECT_EQ(s.portButton, QStringLiteral("OK"));
  EXPECT_EQ(s.listTitle, QStringLiteral("Real Time List"));
  EXPECT_EQ(s.listHeader, QStringLiteral("Time"));
  EXPECT_EQ(s.listCell, QStringLiteral("Time"));
  EXPECT_EQ(s.refusal, QStringLiteral("Recording Mode!\nPlease stop recording!"));
  EXPECT_EQ(s.aboutTitle, QStringLiteral("About luxpanel"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

// Switching back: German first, then the C locale takes every translation out again.
TEST(Translations, ASecondInstallReplacesTheFirst) {
  ASSERT_TRUE(installTranslations(*qApp, QLocale(QLocale::German, QLocale::Germany)));
  EXPECT_EQ(QCoreApplication::translate("MenuBar", "&File"), QStringLiteral("&Datei"));
  EXPECT_FALSE(installTranslations(*qApp, QLocale(QLocale::English, QLocale::UnitedStates)));
  EXPECT_EQ(QCoreApplication::translate("MenuBar", "&File"), QStringLiteral("&File"));
  EXPECT_FALSE(installTranslations(*qApp, QLocale::c()));
  EXPECT_EQ(QCoreApplication::translate("MenuBar", "&File"), QStringLiteral("&File"));
}

}  // namespace
}  // namespace lux::test
