#pragma once

#include <chrono>
#include <filesystem>

namespace hollin::prefs {

// Why a wait for the store's lock ended without it, in English; the host
// programs' catalogues translate these sentences.
inline constexpr char kLockHeldElsewhere[] = "another program holds its lock and kept it for 5 seconds";
inline constexpr char kLockWaitInterrupted[] = "a signal ended the wait for its lock";

// Holds an exclusive flock on a lock file for as long as it lives, so that
// every process touching the store takes turns on read-modify-write.
class FileLock {
public:
    // How long another program may keep the lock before a writer gives up:
    // longer than any read-modify-write of the store takes, short enough for
    // a person to wait for (kLockHeldElsewhere says the same).
    static constexpr std::chrono::seconds kLongestWait{5};

    enum class Outcome { Held, Unusable, HeldElsewhere, Interrupted };

    // Creates the lock file when missing and waits for the lock for at most
    // `longestWait`; a signal caught meanwhile (one with a handler) ends the
    // wait at once. Without the lock, Result() says why, and for an unusable
    // lock file (a read-only folder) Error() gives the system's error number.
    explicit FileLock(const std::filesystem::path& lockPath, std::chrono::milliseconds longestWait = kLongestWait);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool IsHeld() const { return outcome_ == Outcome::Held; }
    Outcome Result() const { return outcome_; }
    int Error() const { return error_; }

private:
    Outcome Wait(std::chrono::milliseconds longestWait);

    int descriptor_ = -1;
    int error_ = 0;
    Outcome outcome_ = Outcome::Unusable;
};

}  // namespace hollin::prefs
