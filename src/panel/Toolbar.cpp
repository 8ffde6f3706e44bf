#include "panel/Toolbar.h"

#include <QAction>
#include <QCoreApplication>
#include <QIcon>
#include <QString>
#include <QToolBar>
#include <QWidget>

#include "core/Context.h"
#include "core/MeterMessages.h"
#include "ui/Icons.h"

namespace lux {

namespace {

struct ButtonDef {
  ToolbarCommand command;
  const char* toolTip;   // the button's words (and its accessible name)
  const char* menuText;  // the same command as a menu item
  const char* icon;
};

// Left to right.
constexpr ButtonDef kButtons[] = {
    {ToolbarCommand::Save, QT_TRANSLATE_NOOP("Toolbar", "Save As"),
     QT_TRANSLATE_NOOP("MenuBar", "Save As…"), "save"},
    {ToolbarCommand::Open, QT_TRANSLATE_NOOP("Toolbar", "Open File to Read"),
     QT_TRANSLATE_NOOP("MenuBar", "Open File to Read…"), "open"},
    {ToolbarCommand::PC, QT_TRANSLATE_NOOP("Toolbar", "PC Sampling Rate"),
     QT_TRANSLATE_NOOP("MenuBar", "PC Sampling Rate…"), "pc-rate"},
    {ToolbarCommand::List, QT_TRANSLATE_NOOP("Toolbar", "List Display"),
     QT_TRANSLATE_NOOP("MenuBar", "List Display"), "list"},
    {ToolbarCommand::Graph, QT_TRANSLATE_NOOP("Toolbar", "Graphic Display"),
     QT_TRANSLATE_NOOP("MenuBar", "Graphic Display"), "graph"},
    {ToolbarCommand::TimeSet, QT_TRANSLATE_NOOP("Toolbar", "Set Meter Time to PC System Time"),
     QT_TRANSLATE_NOOP("MenuBar", "Set Meter Time to PC System Time…"), "timeset"},
    {ToolbarCommand::Memory, QT_TRANSLATE_NOOP("Toolbar", "Data Logger"),
     QT_TRANSLATE_NOOP("MenuBar", "Data Logger…"), "memory"},
    {ToolbarCommand::CD, QT_TRANSLATE_NOOP("Toolbar", "Luminous Intensity"),
     QT_TRANSLATE_NOOP("MenuBar", "Luminous Intensity…"), "cd"},
    {ToolbarCommand::Comp, QT_TRANSLATE_NOOP("Toolbar", "Comparator"),
     QT_TRANSLATE_NOOP("MenuBar", "Comparator…"), "comp"},
    {ToolbarCommand::Hold, QT_TRANSLATE_NOOP("Toolbar", "Set Time to Hold"),
     QT_TRANSLATE_NOOP("MenuBar", "Set Time to Hold…"), "hold"},
    {ToolbarCommand::Buttons, QT_TRANSLATE_NOOP("Toolbar", "Control Panel"),
     QT_TRANSLATE_NOOP("MenuBar", "Control Panel"), "buttons"},
    {ToolbarCommand::Esc, QT_TRANSLATE_NOOP("Toolbar", "Back to Normal Mode"),
     QT_TRANSLATE_NOOP("MenuBar", "Back to Normal Mode"), "esc"},
};
static_assert(std::size(kButtons) == kToolbarCommandCount, "one button per toolbar command");

// "ESC": the meter back to its normal mode. The poll stays off from before the handshake until
// the letter is sent, and comes back however the exchange ends.
void escCommand(Context& ctx) {
  ctx.link.runCommand(
      [&ctx] {
        bool answered = false;
        {
          PollPause pause(ctx.poll);
          answered = ctx.link.command(Command::Enter);
        }
        if (!answered) ctx.dialogs.message(meterSilentMessage());
      },
      [&ctx] { ctx.dialogs.message(meterBusyMessage()); });
}

}  // namespace

void installEscCommand(Context& ctx) {
  ctx.hooks.commands.add(ToolbarCommand::Esc, [&ctx] { escCommand(ctx); });
}

CommandActions installToolbar(Context& ctx, QToolBar& bar) {
  installEscCommand(ctx);
  CommandActions actions{};
  for (const ButtonDef& b : kButtons) {
    const QString toolTip = QCoreApplication::translate("Toolbar", b.toolTip);
    auto* a = new QAction(resourceIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(b.icon))),
                          QCoreApplication::translate("MenuBar", b.menuText), &bar);
    a->setObjectName(QLatin1String(toolbarKey(b.command)));
    a->setIconText(toolTip);
    a->setToolTip(toolTip);
    // The menu keeps its plain look; the pictures are the toolbar's.
    a->setIconVisibleInMenu(false);
    bar.addAction(a);
    actions[indexOf(b.command)] = a;
    const ToolbarCommand command = b.command;
    QObject::connect(a, &QAction::triggered, &bar, [&ctx, command] {
      // Clicked inside a poll tick's wait, the command runs right after the tick, so that a box
      // it opens never holds the poll up. A failure inside a command (the program closing
      // during a wait, a file error) ends that command only.
      ctx.link.runOutsidePoll([&ctx, command] { toolbarActionTriggered(ctx, command); });
    });
  }
  return actions;
}

void toolbarActionTriggered(Context& ctx, ToolbarCommand command) {
  ctx.hooks.commands.run(command);
}

}  // namespace lux
