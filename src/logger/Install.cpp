#include "logger/Install.h"

#include <exception>

#include "link/Logging.h"
#include "logger/Logger.h"
#include "logger/LoggerContext.h"

namespace lux {

std::unique_ptr<LoggerDownload> installLogger(LoggerContext& ctx) {
  ctx.logger.memoryFormOpen = false;
  auto download = std::make_unique<LoggerDownload>(ctx.link);
  ctx.download = download.get();
  LoggerContext* c = &ctx;
  ctx.hooks.commands.add(ToolbarCommand::Memory, [c] {
    // A failure ends the command; its guards have put the poll and the flags back.
    runGuarded(lcLogger(), "the logger download", [c] { downloadLoggerMemory(*c); });
  });
  ctx.hooks.onShutdown.push_back([c] {
    if (QWidget* w = c->dataListWindow.data()) w->close();
    if (QWidget* w = c->memoryWindow.data()) w->close();
  });
  return download;
}

}  // namespace lux
