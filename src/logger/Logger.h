#pragma once
// The "Memory" command and the Memory window's clicks: the download engine run for the
// windows, one logger set listed into the Data List, the erase.
#include <QString>

#include "logger/engine/LoggerDownload.h"

namespace lux {

struct LoggerContext;

// The program's one logger download (created on first use, lives with the link).
LoggerDownload& loggerDownload(LoggerContext& ctx);

// The toolbar's "Memory": downloads the logger memory and lists its sets in the Memory window.
// The panel's poll is off while it runs and on again, with pollCount 0, however it ends; a
// dump the user gave up by closing the window is received to its end first. Meanwhile another
// "Memory" is refused with a message.
DownloadResult downloadLoggerMemory(LoggerContext& ctx);

// Lists set `row` of the Memory window's set table in a fresh Data List window (row 0, the
// header row, gives an empty list).
void listLoggerSet(LoggerContext& ctx, int row);

// The erase behind a click on the free-memory figure: warning, then "E".
void eraseLoggerMemory(LoggerContext& ctx);

// What the panel shows in place of its port caption while a given-up dump still comes in.
QString drainNote(qint64 received, qint64 expected);

}  // namespace lux
