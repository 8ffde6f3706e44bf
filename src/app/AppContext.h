#pragma once
// The application's view of the program: the shared context, all of the program-wide state,
// and the contexts the subsystems with state of their own receive. Only the application (and
// the programs built around it) sees this; each subsystem sees its own context.
#include "app/AppState.h"
#include "core/Context.h"
#include "logger/LoggerContext.h"
#include "records/RecordsContext.h"

namespace lux {

struct AppContext : Context {
  AppContext(const Context& shared, AppState& appState)
      : Context(shared),
        state(appState),
        records(shared, appState.recording),
        logger(shared, appState.logger) {}
  AppContext(const AppContext&) = delete;
  AppContext& operator=(const AppContext&) = delete;

  // Hands each subsystem its own context where the application calls into it.
  operator RecordsContext&() { return records; }
  operator LoggerContext&() { return logger; }

  // The panel every window is placed by, for this context and the subsystems' alike.
  void setPanel(QWidget* widget) {
    panel = widget;
    records.panel = widget;
    logger.panel = widget;
  }

  AppState& state;
  RecordsContext records;
  LoggerContext logger;
};

}  // namespace lux
