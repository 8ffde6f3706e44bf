#include "publish/Install.h"

#include <QPointer>

#include "publish/PublishDialog.h"

namespace lux {

std::unique_ptr<DesktopPublishing> installPublishing(Context& ctx, QSettings& settings,
                                                     const QString& stateDir) {
  auto publishing =
      std::make_unique<DesktopPublishing>(*ctx.session, ctx.dialogs, settings, stateDir);
  auto window = std::make_shared<QPointer<PublishDialog>>();
  Context* c = &ctx;
  DesktopPublishing* p = publishing.get();
  ctx.hooks.showPublishing = [window, c, p] {
    if (!*window) *window = new PublishDialog(*p, c->dialogs, c->panel);
    (*window)->show();
    (*window)->raise();
    (*window)->activateWindow();
  };
  ctx.hooks.onShutdown.push_back([window, p] {
    if (*window) {
      (*window)->hide();
      delete window->data();
    }
    p->shutdown();
  });
  return publishing;
}

}  // namespace lux
