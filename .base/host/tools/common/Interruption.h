#pragma once

// A program that writes files must not leave half of one behind when it is
// interrupted, so the signals that end a program from outside stop it
// through its own code instead.
namespace kvhost {

// From here on, SIGINT, SIGTERM, SIGHUP and SIGPIPE (each unless it was
// ignored when the program started) no longer end the process: they are
// noted, for the program to cancel what it is doing, remove its temporary
// files and exit as the signal asks. Writing to a closed pipe then fails
// with EPIPE instead of killing the process.
void CatchInterruptions();

// The first of those signals caught, or 0 while none has come.
int CaughtInterruption();

// A descriptor that becomes readable once a signal is caught, for an event
// loop to watch; -1 before CatchInterruptions.
int InterruptionDescriptor();

// What a shell reports for a program ended by the signal: 130, 143, 129, 141.
constexpr int ExitCodeForSignal(int signal) { return 128 + signal; }

}  // namespace kvhost
