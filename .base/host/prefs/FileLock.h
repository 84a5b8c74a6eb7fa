#pragma once

#include <filesystem>

namespace hollin::prefs {

// Holds an exclusive flock on a lock file for as long as it lives, so that
// every process touching the store takes turns on read-modify-write.
class FileLock {
public:
    // Creates the lock file when missing. Without a usable lock file (a
    // read-only folder) the lock is simply not held: IsHeld() says so, and
    // Error() gives the system's error number.
    explicit FileLock(const std::filesystem::path& lockPath);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool IsHeld() const { return descriptor_ >= 0; }
    int Error() const { return error_; }

private:
    int descriptor_ = -1;
    int error_ = 0;
};

}  // namespace hollin::prefs
