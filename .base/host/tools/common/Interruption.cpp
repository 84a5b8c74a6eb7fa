#include "Interruption.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace kvhost {

namespace {

// Written from the signal handler; lock-free atomics and write() are safe there.
std::atomic<int> g_caughtSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);
int g_wakeUp[2] = {-1, -1};

void NoteSignal(int signal) {
    int none = 0;
    if (!g_caughtSignal.compare_exchange_strong(none, signal)) return;
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_wakeUp[1], &byte, 1);
    errno = savedErrno;
}

}  // namespace

void CatchInterruptions() {
    if (g_wakeUp[0] < 0 && ::pipe2(g_wakeUp, O_CLOEXEC | O_NONBLOCK) != 0) g_wakeUp[0] = g_wakeUp[1] = -1;
    struct sigaction action {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    // The plug-in's own reads and writes must not fail with EINTR.
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
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

int InterruptionDescriptor() {
    return g_wakeUp[0];
}

}  // namespace kvhost
