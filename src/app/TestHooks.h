#pragma once
// Start-up hooks that only long-running end-to-end tests switch on; without their environment
// variables the program behaves exactly as without them.
namespace lux {
struct Context;

// LUXPANEL_SOAK=1 (with LUXPANEL_RECORD_TO=PATH): keeps a file recording, the live list and the
// live graph running for the whole session, because each of them ends by itself whenever the
// meter leaves plain measuring mode or changes its unit. At every recording tick at which the
// meter shows plain mode:
//  - with no file recording running, a new one starts into PATH.1, PATH.2, ... (the first
//    recording, into PATH itself, is the one LUXPANEL_RECORD_TO starts);
//  - a closed live list or live graph is opened again as by its toolbar button.
// Each new file is announced on standard output as "segment PATH" before its first record, each
// reopened window as "list opened" or "graph opened".
// Must be installed after the recording subsystem, whose tick it wraps.
void installTestHooks(Context& ctx);

}  // namespace lux
