#include "survey/Install.h"

#include <QPointer>
#include <QStandardPaths>
#include <memory>

#include "core/Context.h"
#include "survey/SurveyWindow.h"

namespace lux {

void installSurvey(Context& ctx) {
  auto window = std::make_shared<QPointer<survey::SurveyWindow>>();
  Context* c = &ctx;
  auto show = [window, c] {
    if (!*window) {
      const QString tasks = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
                            QStringLiteral("/task-areas.csv");
      *window = new survey::SurveyWindow(*c, tasks, c->panel);
    }
    (*window)->show();
    (*window)->raise();
    (*window)->activateWindow();
  };
  ctx.hooks.showSurvey = show;
  ctx.hooks.openSurvey = [window, show](const QString& path) {
    show();
    if ((*window)->maySetAside()) (*window)->openSurvey(path);
  };
  // Quitting with a survey under way that is not saved asks first; Cancel keeps the program.
  auto asking = std::make_shared<bool>(false);
  ctx.hooks.mayClose.push_back([window, asking] {
    if (!*window || !(*window)->unsaved()) return true;
    // A second request to quit (Ctrl+C again, a logout) while the question is up gets its
    // answer from that question, not a second box over the first.
    if (*asking) return false;
    *asking = true;
    (*window)->show();
    (*window)->raise();
    const bool leave = (*window)->maySetAside();
    *asking = false;
    return leave;
  });
  ctx.hooks.onShutdown.push_back([window] {
    if (*window) {
      (*window)->hide();
      delete window->data();
    }
  });
}

}  // namespace lux
