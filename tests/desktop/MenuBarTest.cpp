// The panel's menu bar: every toolbar command is in a menu and runs through the toolbar's own
// dispatch (same refusals), the shortcuts, the Save item's two looks, Print where a list is
// open, Quit, the manual and the About box, the icon on every window, and a data file opened
// from the command line.
#include <QApplication>
#include <QDir>
#include <QKeySequence>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QTest>
#include <map>
#include <set>

#include "DesktopFixture.h"
#include "SmallIcon.h"
#include "app/AppIcon.h"
#include "app/ManualWindow.h"
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
  auto panel = std::make_unique<Panel>(rig.session, rig.dialogs);
  rig.poll.forward = &rig.sessionPoll;
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

TEST_F(DesktopTest, TheMeterMenuOpensTheLightingSurveyWithCtrlU) {
  int ran = 0;
  ctx->hooks.showSurvey = [&ran] { ++ran; };
  QAction* item = menuItem("MenuSurvey");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->parent(), menu("MenuMeter"));
  EXPECT_EQ(item->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_U));
  item->trigger();
  EXPECT_EQ(ran, 1);
}

TEST_F(DesktopTest, TheFileMenuOpensPublishReadings) {
  int ran = 0;
  ctx->hooks.showPublishing = [&ran] { ++ran; };
  QAction* item = menuItem("MenuPublish");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->parent(), menu("MenuFile"));
  EXPECT_EQ(item->text(), "Publish readings…");
  item->trigger();
  EXPECT_EQ(ran, 1);
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

// F1 shows the manual in a window of the program, whatever the machine has installed: a
// desktop that claims to open anything (xdg-open starts, but no viewer knows man:) is not asked.
TEST_F(DesktopTest, ManualIsShownByTheProgramItself) {
  openAnswer = true;
  auto manualWindows = [] {
    QList<ManualWindow*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* m = qobject_cast<ManualWindow*>(w); m && m->isVisible()) found << m;
    return found;
  };
  ASSERT_TRUE(manualWindows().isEmpty());
  menuItem("MenuManual")->trigger();
  EXPECT_TRUE(opened.empty());
  EXPECT_TRUE(dialogs.shown().empty());
  ASSERT_EQ(manualWindows().size(), 1);
  ManualWindow* manual = manualWindows().first();
  EXPECT_EQ(manual->objectName(), QStringLiteral("Manual"));
  EXPECT_EQ(manual->windowTitle(), QStringLiteral("luxpanel Manual"));
  const QString text = manual->text()->toPlainText();
  for (const char* part : {"luxpanel(1)", "SYNOPSIS", "--port NAME", "--simulate", "DATA FILES",
                           "MENUS AND SHORTCUTS", "SEE ALSO", "luxpanel-cli(1), luxpanel-sim(1)"})
    EXPECT_TRUE(text.contains(QLatin1String(part))) << part << "\n" << qPrintable(text);
  EXPECT_FALSE(text.contains(QLatin1String("\\f"))) << "no roff left";
  EXPECT_FALSE(text.contains(QLatin1String(".TP")));

  // F1 again brings the same window forward.
  menuItem("MenuManual")->trigger();
  EXPECT_EQ(manualWindows().size(), 1);
  EXPECT_EQ(manualWindows().first(), manual);

  // A link in it goes to the desktop's browser.
  emit manual->text()->anchorClicked(QUrl(QStringLiteral("https://luxpanel.org/")));
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], QUrl(QStringLiteral("https://luxpanel.org/")));
  manual->close();
}

TEST(Manual, ManPageMacrosBecomeHeadingsTermsAndFonts) {
  const QString html = manualHtml(QStringLiteral(
      ".\\\" a comment\n.TH LUXPANEL 1 \"December 2026\"\n.SH NAME\nluxpanel \\- the panel\n"
      ".SH OPTIONS\n.TP\n.BI \\-\\-port \" NAME\"\nUse \\fBthis\\fR port.\n.TP\n.B \\-\\-help\n"
      "Show <help> & exit.\n.PP\nNew paragraph.\n.SH SEE ALSO\n.BR luxpanel-cli (1),\n"
      ".nf\nkept  as\n  typed\n.fi\n"));
  EXPECT_TRUE(html.contains(QLatin1String("<h1>luxpanel(1)</h1>"))) << qPrintable(html);
  EXPECT_TRUE(html.contains(QLatin1String("<h2>NAME</h2><p>luxpanel - the panel </p>")))
      << qPrintable(html);
  EXPECT_TRUE(html.contains(
      QLatin1String("<dl><dt><b>--port</b><i> NAME</i></dt><dd>Use <b>this</b> port. </dd>")))
      << qPrintable(html);
  EXPECT_TRUE(html.contains(QLatin1String(
      "<dt><b>--help</b></dt><dd>Show &lt;help&gt; &amp; exit. </dd></dl><p>New paragraph. </p>")))
      << qPrintable(html);
  EXPECT_TRUE(html.contains(QLatin1String("<h2>SEE ALSO</h2><p><b>luxpanel-cli</b>(1), ")))
      << qPrintable(html);
  EXPECT_TRUE(html.contains(QLatin1String("<pre>kept  as\n  typed\n</pre>"))) << qPrintable(html);
  EXPECT_FALSE(html.contains(QLatin1String("comment")));
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
  expectSmallIcon(icon.pixmap(16, 16).toImage());
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
