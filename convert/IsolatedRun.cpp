#include "convert/IsolatedRun.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace hollin::importer {

namespace {

constexpr int kSucceeded = 0;
constexpr int kFailed = 1;

[[noreturn]] void RunInChild(const std::function<bool()>& work) {
    // A crash here is expected now and then; it should not leave core files behind.
    const rlimit noCoreFiles{0, 0};
    setrlimit(RLIMIT_CORE, &noCoreFiles);
    const bool succeeded = work();
    // _exit: the child must not flush the parent's stdio buffers or run its atexit handlers.
    _exit(succeeded ? kSucceeded : kFailed);
}

}  // namespace

bool SucceedsInIsolation(const std::function<bool()>& work, std::chrono::milliseconds timeLimit) {
    const pid_t child = fork();
    if (child < 0) return true;
    if (child == 0) RunInChild(work);

    const auto deadline = std::chrono::steady_clock::now() + timeLimit;
    auto pause = std::chrono::microseconds(100);
    int status = 0;
    for (;;) {
        const pid_t finished = waitpid(child, &status, WNOHANG);
        if (finished == child) return WIFEXITED(status) && WEXITSTATUS(status) == kSucceeded;
        if (finished < 0 && errno != EINTR) return true;  // reaped elsewhere (SIGCHLD ignored)
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(20000));
    }
    kill(child, SIGKILL);
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return false;
}

}  // namespace hollin::importer
