#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace hollin::prefs {

// Holds an exclusive flock on a lock file for as long as it lives, so that
// every process touching the store takes turns on read-modify-write.
class FileLock {
public:
    // Creates the lock file when missing. Without a usable lock file (a
    // read-only folder) the lock is simply not held: IsHeld() says so.
    explicit FileLock(const std::filesystem::path& lockPath);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool IsHeld() const { return descriptor_ >= 0; }

private:
    int descriptor_ = -1;
};

// The whole file, or nothing when it is missing, not a regular file or unreadable.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// Replaces the file's content in one step: a temporary file in the same
// folder, written and synced, then renamed over the target. Readers see the
// old content or the new, never a mixture. Throws std::system_error naming
// the path; the target is untouched then and no temporary file is left.
void WriteFileAtomically(const std::filesystem::path& path, const std::string& content);

}  // namespace hollin::prefs
