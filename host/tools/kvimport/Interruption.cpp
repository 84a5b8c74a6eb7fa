#include "Interruption.h"

#include <atomic>
#include <csignal>

namespace kvimport {

namespace {

// Written from the signal handler; a lock-free atomic is safe there.
std::atomic<int> g_caughtSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

void NoteSignal(int signal) {
    int none = 0;
    g_caughtSignal.compare_exchange_strong(none, signal);
}

}  // namespace

void CatchInterruptions() {
    struct sigaction action {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    // The plug-in's own reads and writes must not fail with EINTR.
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM}) {
        // A signal that the caller had ignored, as shells do for background
        // jobs, stays ignored.
        struct sigaction inherited {};
        if (::sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN) continue;
        ::sigaction(signal, &action, nullptr);
    }
}

int CaughtInterruption() {
    return g_caughtSignal.load();
}

}  // namespace kvimport
