#pragma once
#include <memory>

namespace lux {
class LoggerDownload;
struct LoggerContext;
// Makes the logger download and registers this subsystem's command and hooks in the program's
// context. The caller keeps the download for as long as the context lives.
std::unique_ptr<LoggerDownload> installLogger(LoggerContext& ctx);
}  // namespace lux
