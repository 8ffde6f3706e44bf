#include "logger/Install.h"

#include <exception>

#include "logger/Logger.h"
#include "logger/LoggerContext.h"

namespace lux {

void installLogger(LoggerContext& ctx) {
  ctx.logger.memoryFormOpen = false;
  LoggerContext* c = &ctx;
  ctx.hooks.commands[QStringLiteral("Memory")] = [c] {
    try {
      downloadLoggerMemory(*c);
    } catch (const LinkAborted&) {
      // The program is closing: nothing more to do.
    } catch (const std::exception&) {
      // The command ends; its guards have put the poll and the flags back.
    }
  };
  ctx.hooks.onShutdown.push_back([c] {
    if (QWidget* w = c->logger.dataListWindow.data()) w->close();
    if (QWidget* w = c->logger.memoryWindow.data()) w->close();
  });
}

}  // namespace lux
