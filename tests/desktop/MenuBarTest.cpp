// The panel's menu bar: every toolbar command is in a menu and runs through the toolbar's own
// dispatch (same refusals), the shortcuts, the Save item's two looks, Print where a list is
// open, Quit, the manual and the About box, the icon on every window, and a data file opened
// from the command line.
#include <QApplication>
#include <QDir>
#include <QKeySequence>
#include <QSignalSpy>
#include <QTest>
#include <map>
#include <set>

#include "DesktopFixture.h"
#include "app/AppIcon.h"
#include "app/Program.h"
#include "records/ListWindows.h"
#include "ui/GridModel.h"
#include "ui/Twips.h"

namespace lux::test {
namespace {

using Kind = ScriptedDialogs::Kind;

TEST_F(DesktopTest, EveryToolbarCommandIsOneActionInTheToolbarAndAMenu) {
  ASSERT_NE(menuBar, nullptr);
  for (const char* m : {"MenuFile", "MenuMeter", "MenuView", "MenuHelp"})
    EXPECT_NE(menu(m), nullptr) << m;
  // Left to right, with the keys scripts find the buttons by.
  QStringList keys;
  for (QAction* a : panel->toolbar()->actions()) keys << a->objectName();
  EXPECT_EQ(keys, (QStringList{"Save", "Open", "PC", "List", "Graph", "TimeSet", "Memory", "CD",
                               "Comp", "Hold", "Buttons", "ESC"}));
  for (ToolbarCommand c : kToolbarCommands) {
    QAction* a = panel->commandAction(c);
    ASSERT_NE(a, nullptr) << toolbarKey(c);
    EXPECT_TRUE(panel->toolbar()->actions().contains(a)) << toolbarKey(c);
    EXPECT_EQ(menuItem(c), a) << toolbarKey(c);
  }
  EXPECT_TRUE(menu("MenuView")->actions().contains(panel->commandAction(ToolbarCommand::List)));
  EXPECT_TRUE(menu("MenuView")->actions().contains(panel->commandAction(ToolbarCommand::Graph)));
  EXPECT_TRUE(menu("MenuMeter")->actions().contains(panel->commandAction(ToolbarCommand::Memory)));
  // The button speaks the toolbar's words, the menu item its own.
  EXPECT_EQ(panel->commandAction(ToolbarCommand::PC)->iconText(), "PC Sampling Rate");
  EXPECT_EQ(panel->commandAction(ToolbarCommand::PC)->text(), "PC Sampling Rate…");
}

// A command added to the toolbar but registered by no subsystem would be a dead button.
TEST(ProgramInstallation, RegistersEveryToolbarCommand) {
  MeterRig rig;
  auto panel = std::make_unique<Panel>(rig.state.display, rig.link, rig.dialogs);
  rig.poll.forward = panel.get();
  rig.ctx.setPanel(panel.get());
  panel->setContext(&rig.ctx);
  EXPECT_EQ(rig.hooks.commands.missing().size(), 12u);
  const Subsystems owned = installSubsystems(rig.ctx, *panel);
  std::string missing;
  for (ToolbarCommand c : rig.hooks.commands.missing()) missing += toolbarKey(c) + std::string(" ");
  EXPECT_EQ(missing, "");
  for (ToolbarCommand c : kToolbarCommands) EXPECT_NE(panel->commandAction(c), nullptr);
  panel.reset();
}

TEST_F(DesktopTest, MenuItemsRunTheirOwnToolbarCommand) {
  // The subsystems' commands are stood in for by counters, so each item shows which it ran.
  std::map<ToolbarCommand, int> ran;
  const ToolbarCommand stoodIn[] = {
      ToolbarCommand::Graph, ToolbarCommand::TimeSet, ToolbarCommand::Memory, ToolbarCommand::CD,
      ToolbarCommand::Comp,  ToolbarCommand::Hold,    ToolbarCommand::Buttons};
  for (ToolbarCommand c : stoodIn) ctx->hooks.commands.add(c, [&ran, c] { ++ran[c]; });
  for (ToolbarCommand c : stoodIn) {
    ran.clear();
    QAction* item = menuItem(c);
    ASSERT_NE(item, nullptr) << toolbarKey(c);
    item->trigger();
    EXPECT_EQ(ran.size(), 1u) << toolbarKey(c);
    EXPECT_EQ(ran[c], 1) << toolbarKey(c);
  }
}

TEST_F(DesktopTest, MenuItemsMeetTheToolbarsRefusals) {
  // Open during a file recording: the toolbar's message, no dialog.
  state.recording.fileRecording = true;
  dialogs.expectMessage();
  menuItem(ToolbarCommand::Open)->trigger();
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].kind, Kind::Message);
  EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("Recording Mode!\nPlease stop recording!"));
  state.recording.fileRecording = false;

  // List while the meter shows REF: nothing at all; in plain mode the live list opens, once.
  state.display.annRef = true;
  menuItem(ToolbarCommand::List)->trigger();
  EXPECT_EQ(realTimeList(*ctx), nullptr);
  state.display.annRef = false;
  menuItem(ToolbarCommand::List)->trigger();
  ListWindow* list = realTimeList(*ctx);
  ASSERT_NE(list, nullptr);
  menuItem(ToolbarCommand::List)->trigger();
  EXPECT_EQ(realTimeList(*ctx), list);
  EXPECT_TRUE(dialogs.allAnswered());
}

TEST_F(DesktopTest, SaveItemFollowsTheRecording) {
  const QString file = path(QStringLiteral("rec.txt"));
  QAction* save = menuItem(ToolbarCommand::Save);
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(save->text(), QStringLiteral("Save As…"));
  dialogs.answerSaveFile(file);
  save->trigger();
  ASSERT_TRUE(state.recording.fileRecording);
  emit menu("MenuFile")->aboutToShow();
  EXPECT_EQ(save->text(), QStringLiteral("Stop Recording"));
  save->trigger();
  EXPECT_FALSE(state.recording.fileRecording);
  emit menu("MenuFile")->aboutToShow();
  EXPECT_EQ(save->text(), QStringLiteral("Save As…"));
  EXPECT_TRUE(readFile(file).startsWith("Lx\tTime\tValue\r\n"));
}

TEST_F(DesktopTest, ShortcutsAreTheDesktopsOwn) {
  EXPECT_EQ(menuItem(ToolbarCommand::Save)->shortcut(), QKeySequence(QKeySequence::Save));
  EXPECT_EQ(menuItem(ToolbarCommand::Open)->shortcut(), QKeySequence(QKeySequence::Open));
  EXPECT_EQ(menuItem("MenuPrint")->shortcut(), QKeySequence(QKeySequence::Print));
  EXPECT_EQ(menuItem("MenuQuit")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
  EXPECT_EQ(menuItem("MenuManual")->shortcut(), QKeySequence(Qt::Key_F1));

  // Pressed on the panel, Ctrl+O asks for a file as the toolbar's Open does.
  panel->show();
  QApplication::setActiveWindow(panel.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(panel.get()));
  dialogs.answerOpenFile(std::nullopt);
  QTest::keyClick(panel.get(), Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].kind, Kind::OpenFile);

  // Ctrl+Q closes the panel, which ends the program.
  QSignalSpy closing(panel.get(), &Panel::closing);
  QTest::keyClick(panel.get(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_EQ(closing.count(), 1);
  EXPECT_FALSE(panel->isVisible());
}

TEST_F(DesktopTest, PrintIsThereOnlyWhileAListIsOpenAndPrintsThatList) {
  emit menu("MenuFile")->aboutToShow();
  EXPECT_FALSE(menuItem("MenuPrint")->isEnabled());
  EXPECT_FALSE(menuItem("MenuExportCsv")->isEnabled());
  menuItem(ToolbarCommand::List)->trigger();
  ASSERT_NE(realTimeList(*ctx), nullptr);
  tick(3);
  emit menu("MenuFile")->aboutToShow();
  ASSERT_TRUE(menuItem("MenuPrint")->isEnabled());
  EXPECT_TRUE(menuItem("MenuExportCsv")->isEnabled());
  const QString pdf = path(QStringLiteral("list.pdf"));
  dialogs.answerPrinter(pdf);
  menuItem("MenuPrint")->trigger();
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].kind, Kind::Printer);
  EXPECT_TRUE(readFile(pdf).startsWith("%PDF"));
}

TEST_F(DesktopTest, CtrlPPrintsTheListItIsPressedIn) {
  panel->show();
  menuItem(ToolbarCommand::List)->trigger();
  ListWindow* list = realTimeList(*ctx);
  ASSERT_NE(list, nullptr);
  tick();
  // In another window of the program (a graph viewer) Ctrl+P is not the list's.
  QWidget viewer(panel.get(), Qt::Window);
  viewer.setObjectName(QStringLiteral("Plot"));
  viewer.show();
  QApplication::setActiveWindow(&viewer);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&viewer));
  QTest::keyClick(&viewer, Qt::Key_P, Qt::ControlModifier);
  EXPECT_TRUE(dialogs.shown().empty());

  QApplication::setActiveWindow(list);
  ASSERT_TRUE(QTest::qWaitForWindowActive(list));
  dialogs.answerPrinter(std::nullopt);
  QTest::keyClick(list, Qt::Key_P, Qt::ControlModifier);
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].kind, Kind::Printer);
}

TEST_F(DesktopTest, PanelKeepsItsLcdSizeUnderTheMenuBar) {
  panel->show();
  QWidget* lcd = panel->findChild<QWidget*>(QStringLiteral("Lcd"));
  ASSERT_NE(lcd, nullptr);
  ASSERT_TRUE(menuBar->isVisible());
  const QSize designed = twipsSize(panel.get(), Panel::kLcdWidthTwips, Panel::kLcdHeightTwips);
  EXPECT_EQ(lcd->size(), designed);
  EXPECT_GE(panel->height(), designed.height() + menuBar->height() + panel->toolbar()->height());
}

TEST_F(DesktopTest, ManualOpensTheFirstPlaceThatWorks) {
  // An installed tree: bin/ beside share/man and share/doc.
  ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("bin"))));
  ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("share/man/man1"))));
  ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("share/doc/luxpanel"))));
  writeFile(path(QStringLiteral("share/man/man1/luxpanel.1.gz")), "x");
  writeFile(path(QStringLiteral("share/doc/luxpanel/README.md")), "# luxpanel\n");
  const QList<QUrl> where = manualLocations(path(QStringLiteral("bin")));
  ASSERT_GE(where.size(), 2);
  EXPECT_EQ(where[0], QUrl(QStringLiteral("man:luxpanel(1)")));
  EXPECT_EQ(where[1].toLocalFile(),
            QFileInfo(path(QStringLiteral("share/doc/luxpanel/README.md"))).canonicalFilePath());

  // No viewer for man pages: the README is opened instead.
  openAnswer = false;
  dialogs.expectMessage();
  menuItem("MenuManual")->trigger();
  EXPECT_EQ(opened.size(), static_cast<std::size_t>(where.size()));
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_TRUE(dialogs.messages()[0].contains(QStringLiteral("man luxpanel")));

  opened.clear();
  openAnswer = true;
  menuItem("MenuManual")->trigger();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], where[0]);
}

TEST_F(DesktopTest, AboutNamesVersionQtLicenceAndProject) {
  menuItem("MenuAbout")->trigger();
  EXPECT_EQ(aboutTitle, QStringLiteral("About luxpanel"));
  EXPECT_TRUE(aboutText.contains(QLatin1String(LUXPANEL_VERSION)));
  EXPECT_TRUE(aboutText.contains(QLatin1String(qVersion())));
  EXPECT_TRUE(aboutText.contains(QStringLiteral("GPL-3.0-or-later")));
  EXPECT_TRUE(aboutText.contains(QStringLiteral("<a href=\"" LUXPANEL_HOMEPAGE "\">")));
}

TEST_F(DesktopTest, EveryWindowCarriesTheApplicationIcon) {
  const QIcon icon = applicationIcon();
  ASSERT_FALSE(icon.isNull());
  for (int size : {16, 32, 48, 256}) {
    const QImage image = icon.pixmap(size, size).toImage();
    EXPECT_EQ(image.width(), size);
    // The drawing really is there: its middle (the LCD glass) is not transparent.
    EXPECT_GT(qAlpha(image.pixel(size / 2, size / 2)), 0) << size;
  }
  QApplication::setWindowIcon(icon);
  menuItem(ToolbarCommand::List)->trigger();
  ListWindow* list = realTimeList(*ctx);
  ASSERT_NE(list, nullptr);
  for (QWidget* w : {static_cast<QWidget*>(panel.get()), static_cast<QWidget*>(list)})
    EXPECT_EQ(w->windowIcon().cacheKey(), icon.cacheKey()) << w->objectName().toStdString();
  QApplication::setWindowIcon(QIcon());
}

TEST_F(DesktopTest, DataFileFromTheCommandLineOpensInTheFileList) {
  const QString file = path(QStringLiteral("given.txt"));
  writeFile(file, "Fc\tTime\tValue\r\n1\t07-14:23:05\t12.5\r\n2\t07-14:23:07\tOL\r\n");
  openDataFile(*ctx, file);
  ListWindow* list = fileList(*ctx);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->windowTitle(), QStringLiteral("given.txt"));
  ASSERT_EQ(list->grid().rows(), 3);
  EXPECT_EQ(list->grid().cell(0, 0), QStringLiteral("Fc"));
  EXPECT_EQ(list->grid().cell(2, 2), QStringLiteral("OL"));

  // A missing file is told, and leaves the list there is.
  dialogs.expectMessage();
  openDataFile(*ctx, path(QStringLiteral("missing.txt")));
  EXPECT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(fileList(*ctx), list);

  // During a file recording it is refused as the toolbar's Open is.
  state.recording.fileRecording = true;
  dialogs.expectMessage();
  openDataFile(*ctx, file);
  ASSERT_EQ(dialogs.messages().size(), 2u);
  EXPECT_EQ(dialogs.messages()[1], QStringLiteral("Recording Mode!\nPlease stop recording!"));
  state.recording.fileRecording = false;
}

}  // namespace
}  // namespace lux::test
