#pragma once

namespace kvimport {

// From here on, SIGINT and SIGTERM (unless ignored when the program started)
// no longer end the process: they are noted, and the import in progress is
// cancelled through its progress callback, so that kvimport can clean up and
// exit as the signal asks.
void CatchInterruptions();

// The first SIGINT or SIGTERM caught, or 0 while none has come.
int CaughtInterruption();

// What a shell reports for a program ended by the signal: 130, 143.
constexpr int ExitCodeForSignal(int signal) { return 128 + signal; }

}  // namespace kvimport
