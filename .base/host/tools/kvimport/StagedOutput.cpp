#include "StagedOutput.h"
#include "HostText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kvimport {

namespace {

// A new model file gets what the host's own saving gives one.
constexpr mode_t kNewFilePermissions = 0644;

}  // namespace

StagedOutput::StagedOutput(std::filesystem::path target, std::filesystem::path temporary, Stamp created)
    : target_(std::move(target)), temporary_(std::move(temporary)), created_(created) {}

StagedOutput::~StagedOutput() {
    if (!committed_) ::unlink(temporary_.c_str());
}

bool StagedOutput::StampOf(const std::filesystem::path& path, Stamp& stamp) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    stamp = {status.st_dev, status.st_ino, status.st_mtim, status.st_size};
    return true;
}

std::unique_ptr<StagedOutput> StagedOutput::Create(const std::filesystem::path& target, std::string& error) {
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(target, ignored);
    struct stat existing {};
    const bool exists = ::stat(absolute.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        error = S_ISDIR(existing.st_mode) ? kvhost::Compose("cannot write %s: it is a folder", {target.string()})
                                          : kvhost::Compose("cannot write %s: it is not a regular file", {target.string()});
        return nullptr;
    }

    const std::filesystem::path folder = absolute.parent_path();
    std::string temporary = (folder / ("." + absolute.filename().string() + ".XXXXXX")).string();
    const int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0) {
        error = kvhost::Compose("cannot write into the folder %1$s: %2$s", {folder.string(), std::strerror(errno)});
        return nullptr;
    }
    // Whatever the importer's way of saving, the model file keeps its permissions.
    ::fchmod(descriptor, exists ? existing.st_mode & 0777 : kNewFilePermissions);
    ::close(descriptor);

    Stamp created{};
    StampOf(temporary, created);
    return std::unique_ptr<StagedOutput>(new StagedOutput(absolute, temporary, created));
}

bool StagedOutput::WasWritten() const {
    Stamp now{};
    if (!StampOf(temporary_, now)) return false;
    return now.device != created_.device || now.inode != created_.inode || now.size != created_.size ||
           now.modified.tv_sec != created_.modified.tv_sec || now.modified.tv_nsec != created_.modified.tv_nsec;
}

bool StagedOutput::Commit(std::string& error) {
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error = kvhost::Compose("cannot write %1$s: %2$s", {target_.string(), std::strerror(errno)});
        return false;
    }
    committed_ = true;
    return true;
}

}  // namespace kvimport
