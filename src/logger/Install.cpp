#include "logger/Install.h"

#include "core/MeterMessages.h"

#include <exception>

#include "logger/Logger.h"
#include "logger/LoggerContext.h"

namespace lux {

void installLogger(LoggerContext& ctx) {
  ctx.logger.memoryFormOpen = false;
  LoggerContext* c = &ctx;
  ctx.hooks.commands[QStringLiteral("Memory")] = [c] {
    auto download = [c] {
      try {
        downloadLoggerMemory(*c);
      } catch (const LinkAborted&) {
        // The program is closing: nothing more to do.
      } catch (const std::exception&) {
        // The command ends; its guards have put the poll and the flags back.
      }
    };
    // A download still running answers for itself (the dump a closed window left behind);
    // clicked while another command talks to the meter, the download waits for it.
    const LoggerDownload* running = c->logger.download.data();
    if (running && running->running()) {
      download();
    } else {
      c->link.runWhenLineFree(download, [c] { c->dialogs.message(meterBusyMessage()); });
    }
  };
  ctx.hooks.onShutdown.push_back([c] {
    if (QWidget* w = c->logger.dataListWindow.data()) w->close();
    if (QWidget* w = c->logger.memoryWindow.data()) w->close();
  });
}

}  // namespace lux
