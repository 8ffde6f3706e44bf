#include "panel/Toolbar.h"

#include <QAction>
#include <QIcon>
#include <QString>
#include <QToolBar>
#include <QWidget>

#include "core/Context.h"
#include "core/MeterMessages.h"

namespace lux {

namespace {

struct ButtonDef {
  const char* key;
  const char* toolTip;
  const char* icon;
};

// Left to right. Dispatch goes by key, never by position.
constexpr ButtonDef kButtons[] = {
    {"Save", "Save As", "save"},
    {"Open", "Open File to Read", "open"},
    {"PC", "PC Sampling Rate", "pc-rate"},
    {"List", "List Display", "list"},
    {"Graph", "Graphic Display", "graph"},
    {"TimeSet", "Set Meter Time to PC System Time", "timeset"},
    {"Memory", "Data Logger", "memory"},
    {"CD", "Luminous Intensity", "cd"},
    {"Comp", "Comparator", "comp"},
    {"Hold", "Set Time to Hold", "hold"},
    {"Buttons", "Control Panel", "buttons"},
    {"ESC", "Back to Normal Mode", "esc"},
};

// "ESC": the meter back to its normal mode. The poll stays off from before the handshake until
// the letter is sent, and comes back however the exchange ends.
void escCommand(Context& ctx) {
  ctx.link.runCommand([&ctx] {
    bool answered = false;
    {
      PollPause pause(ctx.poll);
      answered = ctx.link.command(Command::Enter);
    }
    if (!answered) ctx.dialogs.message(meterSilentMessage());
  });
}

}  // namespace

void installToolbar(Context& ctx) {
  if (!ctx.panel) return;
  auto* bar = ctx.panel->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
  if (!bar) return;
  for (const ButtonDef& b : kButtons) {
    const QString key = QLatin1String(b.key);
    QAction* a = bar->addAction(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(b.icon))),
                                QLatin1String(b.toolTip));
    a->setObjectName(key);
    a->setData(key);
    a->setToolTip(QLatin1String(b.toolTip));
  }
  QObject::connect(bar, &QToolBar::actionTriggered, bar, [&ctx](QAction* a) {
    // Clicked inside a poll tick's wait, the command runs right after the tick, so that a box
    // it opens never holds the poll up. A failure inside a command (the program closing during
    // a wait, a file error) ends that command only.
    const QString key = a->data().toString();
    ctx.link.runOutsidePoll([&ctx, key] { toolbarButtonClick(ctx, key); });
  });
}

void toolbarButtonClick(Context& ctx, const QString& key) {
  // ESC is the panel's own; every other key belongs to the subsystem that registered it.
  if (key == QLatin1String("ESC")) {
    escCommand(ctx);
  } else {
    auto it = ctx.hooks.commands.find(key);
    if (it != ctx.hooks.commands.end() && it->second) it->second();
  }
}

}  // namespace lux
