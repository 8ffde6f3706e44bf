#pragma once
// The logger subsystem's view of the program: the shared context and its own state.
#include "core/Context.h"
#include "logger/LoggerState.h"

namespace lux {

struct LoggerContext : Context {
  LoggerContext(const Context& shared, LoggerState& state) : Context(shared), logger(state) {}
  LoggerState& logger;
};

}  // namespace lux
