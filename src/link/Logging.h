#pragma once
// What the program tells a user or a support engineer about its work, one category per layer:
//   lux.link        the port opened, lost and found again, handshake retries, misframed bytes
//   lux.link.wire   every byte on the line in hex, with the time (a trace for support)
//   lux.core, lux.panel, lux.records, lux.logger, lux.settings, lux.graphs, lux.app, lux.cli
// Quiet by default: nothing is printed until QT_LOGGING_RULES (e.g. "lux.*=true") or the
// programs' --verbose switches a category on. Messages go to stderr, where the journal of a
// service keeps them.
#include <QLoggingCategory>
#include <exception>
#include <functional>

Q_DECLARE_LOGGING_CATEGORY(lcLink)
Q_DECLARE_LOGGING_CATEGORY(lcWire)
Q_DECLARE_LOGGING_CATEGORY(lcCore)
Q_DECLARE_LOGGING_CATEGORY(lcPanel)
Q_DECLARE_LOGGING_CATEGORY(lcRecords)
Q_DECLARE_LOGGING_CATEGORY(lcLogger)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcGraphs)
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcCli)

namespace lux {

// The rules --verbose applies: every category but the wire trace, which a user asks for by
// name (QT_LOGGING_RULES="lux.link.wire=true") since it writes every byte. QT_LOGGING_RULES
// given in the environment still overrides these.
void enableVerboseLogging();

// The one exception boundary: runs `work`; the program closing (LinkAborted) ends it quietly,
// any other exception ends it too and is logged under `category` as "`what` failed: reason".
// True when `work` ran to its end. Nothing escapes, so it may stand between a handler and the
// event loop.
bool runGuarded(const QLoggingCategory& category, const char* what,
                const std::function<void()>& work);

// Logs an exception caught elsewhere (a boundary that must count or undo something itself).
void logFailure(const QLoggingCategory& category, const char* what, std::exception_ptr failure);

}  // namespace lux
