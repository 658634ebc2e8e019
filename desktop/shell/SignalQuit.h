// Ends the program in order (the frame closes, the sessions stop and the device is told) when
// the process receives SIGTERM, SIGINT or SIGHUP, as scripts and session managers send them.
// Threads: install on the user-interface thread; the signal handler only writes one byte
// to a pipe that the user-interface thread watches.
#pragma once

#include <functional>

namespace mirrodex {

// Calls `quit` on the user-interface thread at the first of those signals. Call once.
bool QuitOnSignals(std::function<void()> quit);

}  // namespace mirrodex
