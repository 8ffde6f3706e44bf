#pragma once
// The logger subsystem's view of the program: the shared context and its own state.
#include <QPointer>
#include <QWidget>

#include "core/Context.h"
#include "logger/LoggerState.h"

namespace lux {

struct LoggerContext : Context {
  LoggerContext(const Context& shared, LoggerState& state) : Context(shared), logger(state) {}
  LoggerState& logger;
  // The download, made and owned by whoever installed the logger (installLogger).
  LoggerDownload* download = nullptr;
  // The Memory and Data List windows while they exist.
  QPointer<QWidget> memoryWindow;
  QPointer<QWidget> dataListWindow;
};

}  // namespace lux
