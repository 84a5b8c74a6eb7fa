#include "FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/select.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>

namespace hollin::prefs {

namespace {

// How often a held lock is tried again.
constexpr auto kRetryEvery = std::chrono::milliseconds(25);

// Blocks every signal while it lives, so that one arriving between two tries
// is held back until the next sleep, which it then ends.
class SignalsHeldBack {
public:
    SignalsHeldBack() {
        sigset_t all;
        sigfillset(&all);
        ::pthread_sigmask(SIG_BLOCK, &all, &previous_);
    }
    ~SignalsHeldBack() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeldBack(const SignalsHeldBack&) = delete;
    SignalsHeldBack& operator=(const SignalsHeldBack&) = delete;

    // Sleeps with the caller's own mask; false when a signal ended the sleep.
    bool Sleep(std::chrono::nanoseconds duration) const {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
        const timespec interval{static_cast<time_t>(seconds.count()), static_cast<long>((duration - seconds).count())};
        return ::pselect(0, nullptr, nullptr, nullptr, &interval, &previous_) == 0 || errno != EINTR;
    }

private:
    sigset_t previous_;
};

}  // namespace

FileLock::FileLock(const std::filesystem::path& lockPath, std::chrono::milliseconds longestWait) {
    descriptor_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor_ < 0) {
        error_ = errno;
        return;
    }
    outcome_ = Wait(longestWait);
    if (outcome_ != Outcome::Held) {
        ::close(descriptor_);
        descriptor_ = -1;
    }
}

FileLock::Outcome FileLock::Wait(std::chrono::milliseconds longestWait) {
    const SignalsHeldBack heldBack;
    const auto deadline = std::chrono::steady_clock::now() + longestWait;
    for (;;) {
        if (::flock(descriptor_, LOCK_EX | LOCK_NB) == 0) return Outcome::Held;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            error_ = errno;
            return Outcome::Unusable;
        }
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::nanoseconds::zero()) return Outcome::HeldElsewhere;
        if (!heldBack.Sleep(std::min<std::chrono::nanoseconds>(left, kRetryEvery))) return Outcome::Interrupted;
    }
}

FileLock::~FileLock() {
    // Closing the descriptor releases the flock.
    if (descriptor_ >= 0) ::close(descriptor_);
}

}  // namespace hollin::prefs
