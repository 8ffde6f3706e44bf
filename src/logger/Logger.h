#pragma once
// The meter's data logger: downloading its memory, listing one logger set, erasing it.
#include <QString>

namespace lux {

struct Context;

enum class DownloadResult {
  Refused,      // INTV or HOLD shown, or the Memory window already open: nothing done
  EmptyMemory,  // "No Data in Memory"
  BadAddress,   // the meter reported a fill address outside its memory
  NoAnswer,     // "Q" was repeated and never answered
  TimedOut,     // the dump stopped before its end: nothing listed
  Cancelled,    // the user closed the Memory window while it was reading
  Listed,       // the sets are in the Memory window
};

// Seconds without a new byte after which a dump is given up. The meter sends a dump without a
// pause, so a silence this long means it has stopped.
inline constexpr double kDumpSilenceSeconds = 3.0;
// Times "H" and "Q" are sent before a meter that answers the handshake but not "Q" is given up.
inline constexpr int kDumpRequestAttempts = 5;

// The toolbar's "Memory": downloads the logger memory and lists its sets in the Memory window.
// The panel's poll is off while it runs and on again, with pollCount 0, however it ends.
DownloadResult downloadLoggerMemory(Context& ctx);

// Lists set `row` of the Memory window's set table in a fresh Data List window (row 0, the
// header row, gives an empty list).
void listLoggerSet(Context& ctx, int row);

// The erase behind a click on the free-memory figure: warning, then "E".
void eraseLoggerMemory(Context& ctx);

}  // namespace lux
