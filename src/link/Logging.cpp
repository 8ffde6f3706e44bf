#include "link/Logging.h"

#include "link/MeterLink.h"

// Critical as the default level: warnings and below stay silent until a rule asks for them.
Q_LOGGING_CATEGORY(lcLink, "lux.link", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcWire, "lux.link.wire", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcCore, "lux.core", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcPanel, "lux.panel", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcRecords, "lux.records", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcLogger, "lux.logger", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcSettings, "lux.settings", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcGraphs, "lux.graphs", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcApp, "lux.app", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcCli, "lux.cli", QtCriticalMsg)

namespace lux {

void enableVerboseLogging() {
  QLoggingCategory::setFilterRules(QStringLiteral("lux.*=true\nlux.link.wire=false"));
}

void logFailure(const QLoggingCategory& category, const char* what, std::exception_ptr failure) {
  try {
    if (failure) std::rethrow_exception(failure);
  } catch (const LinkAborted&) {
    // The program is closing: that is no failure.
  } catch (const std::exception& e) {
    qCWarning(category, "%s failed: %s", what, e.what());
  } catch (...) {
    qCWarning(category, "%s failed: an unknown error", what);
  }
}

bool runGuarded(const QLoggingCategory& category, const char* what,
                const std::function<void()>& work) {
  try {
    work();
    return true;
  } catch (...) {
    logFailure(category, what, std::current_exception());
  }
  return false;
}

}  // namespace lux
