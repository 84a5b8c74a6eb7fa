#pragma once

#include <sys/types.h>

#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

namespace kvimport {

// A hidden temporary file beside a model file, for the importer to write in
// its place. The model file takes the new content only through Commit, in
// one rename; until then an existing model file stays as it was, whether the
// import fails, is cancelled or the process is killed.
class StagedOutput {
public:
    // Null, with `error` naming the path and the reason, when the target is
    // a folder or another non-regular file, or its folder does not exist or
    // cannot be written.
    static std::unique_ptr<StagedOutput> Create(const std::filesystem::path& target, std::string& error);
    // Removes the temporary file unless it was committed.
    ~StagedOutput();
    StagedOutput(const StagedOutput&) = delete;
    StagedOutput& operator=(const StagedOutput&) = delete;

    // Absolute, in the target's folder.
    const std::filesystem::path& TemporaryPath() const { return temporary_; }
    // True once something replaced or changed the temporary file.
    bool WasWritten() const;
    // Moves the temporary file onto the target; false, with `error`, when
    // that fails (the temporary file is then removed).
    bool Commit(std::string& error);

private:
    struct Stamp {
        dev_t device;
        ino_t inode;
        timespec modified;
        off_t size;
    };

    StagedOutput(std::filesystem::path target, std::filesystem::path temporary, Stamp created);
    static bool StampOf(const std::filesystem::path& path, Stamp& stamp);

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    Stamp created_;
    bool committed_ = false;
};

}  // namespace kvimport
