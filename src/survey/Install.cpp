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
  ctx.hooks.mayClose.push_back([window] {
    if (!*window || !(*window)->unsaved()) return true;
    (*window)->show();
    (*window)->raise();
    return (*window)->maySetAside();
  });
  ctx.hooks.onShutdown.push_back([window] {
    if (*window) {
      (*window)->hide();
      delete window->data();
    }
  });
}

}  // namespace lux
