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
  const char* key;
  const char* toolTip;
  const char* icon;
};

// Left to right. Dispatch goes by key, never by position.
constexpr ButtonDef kButtons[] = {
    {"Save", QT_TRANSLATE_NOOP("Toolbar", "Save As"), "save"},
    {"Open", QT_TRANSLATE_NOOP("Toolbar", "Open File to Read"), "open"},
    {"PC", QT_TRANSLATE_NOOP("Toolbar", "PC Sampling Rate"), "pc-rate"},
    {"List", QT_TRANSLATE_NOOP("Toolbar", "List Display"), "list"},
    {"Graph", QT_TRANSLATE_NOOP("Toolbar", "Graphic Display"), "graph"},
    {"TimeSet", QT_TRANSLATE_NOOP("Toolbar", "Set Meter Time to PC System Time"), "timeset"},
    {"Memory", QT_TRANSLATE_NOOP("Toolbar", "Data Logger"), "memory"},
    {"CD", QT_TRANSLATE_NOOP("Toolbar", "Luminous Intensity"), "cd"},
    {"Comp", QT_TRANSLATE_NOOP("Toolbar", "Comparator"), "comp"},
    {"Hold", QT_TRANSLATE_NOOP("Toolbar", "Set Time to Hold"), "hold"},
    {"Buttons", QT_TRANSLATE_NOOP("Toolbar", "Control Panel"), "buttons"},
    {"ESC", QT_TRANSLATE_NOOP("Toolbar", "Back to Normal Mode"), "esc"},
};

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

void installToolbar(Context& ctx) {
  if (!ctx.panel) return;
  auto* bar = ctx.panel->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
  if (!bar) return;
  for (const ButtonDef& b : kButtons) {
    const QString key = QLatin1String(b.key);
    const QString toolTip = QCoreApplication::translate("Toolbar", b.toolTip);
    QAction* a = bar->addAction(
        resourceIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(b.icon))), toolTip);
    a->setObjectName(key);
    a->setData(key);
    a->setToolTip(toolTip);
  }
  QObject::connect(bar, &QToolBar::actionTriggered, bar, [&ctx](QAction* a) {
    // Clicked inside a poll tick's wait, the command runs right after the tick, so that a box
    // it opens never holds the poll up. A failure inside a command (the program closing during
    // a wait, a file error) ends that command only.
    const QString key = a->data().toString();
    ctx.link.runOutsidePoll([&ctx, key] { toolbarActionTriggered(ctx, key); });
  });
}

void toolbarActionTriggered(Context& ctx, const QString& key) {
  // ESC is the panel's own; every other key belongs to the subsystem that registered it.
  if (key == QLatin1String("ESC")) {
    escCommand(ctx);
  } else {
    auto it = ctx.hooks.commands.find(key);
    if (it != ctx.hooks.commands.end() && it->second) it->second();
  }
}

}  // namespace lux
