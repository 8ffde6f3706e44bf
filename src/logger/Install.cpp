#include "logger/Install.h"

#include "core/MeterMessages.h"

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
    auto run = [c] {
      runGuarded(lcLogger(), "the logger download", [c] { downloadLoggerMemory(*c); });
    };
    // A download still running answers for itself (the dump a closed window left behind);
    // clicked while another command talks to the meter, the download waits for it.
    const LoggerDownload* running = c->download;
    if (running && running->running()) {
      run();
    } else {
      c->link.runWhenLineFree(run, [c] { c->dialogs.message(meterBusyMessage()); });
    }
  });
  ctx.hooks.onShutdown.push_back([c] {
    if (QWidget* w = c->dataListWindow.data()) w->close();
    if (QWidget* w = c->memoryWindow.data()) w->close();
  });
  return download;
}

}  // namespace lux
