#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

namespace hollin::prefs {

namespace {

[[noreturn]] void ThrowErrno(int error, const std::string& what, const std::filesystem::path& path) {
    throw std::system_error(error, std::generic_category(), what + " " + path.string());
}

bool WriteAll(int descriptor, const std::string& content) {
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

// A rename is only durable once the folder entry itself reaches the disk.
void SyncFolder(const std::filesystem::path& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

}  // namespace

FileLock::FileLock(const std::filesystem::path& lockPath) {
    descriptor_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor_ < 0) return;
    while (::flock(descriptor_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(descriptor_);
            descriptor_ = -1;
            return;
        }
    }
}

FileLock::~FileLock() {
    // Closing the descriptor releases the flock.
    if (descriptor_ >= 0) ::close(descriptor_);
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    std::ifstream stream(path, std::ios::binary);
    if (!stream) return std::nullopt;
    std::ostringstream content;
    content << stream.rdbuf();
    if (stream.bad()) return std::nullopt;
    return std::move(content).str();
}

void WriteFileAtomically(const std::filesystem::path& path, const std::string& content) {
    const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    std::string pattern = (folder / (path.filename().string() + ".XXXXXX")).string();
    std::vector<char> temporaryName(pattern.begin(), pattern.end());
    temporaryName.push_back('\0');

    const int descriptor = ::mkostemp(temporaryName.data(), O_CLOEXEC);
    if (descriptor < 0) ThrowErrno(errno, "cannot create a temporary file beside", path);
    const std::filesystem::path temporaryPath(temporaryName.data());

    const bool written = WriteAll(descriptor, content) && ::fsync(descriptor) == 0;
    const int writeError = errno;
    const bool closed = ::close(descriptor) == 0;
    if (!written || !closed) {
        ::unlink(temporaryPath.c_str());
        ThrowErrno(written ? errno : writeError, "cannot write", temporaryPath);
    }
    if (::rename(temporaryPath.c_str(), path.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temporaryPath.c_str());
        ThrowErrno(renameError, "cannot replace", path);
    }
    SyncFolder(folder);
}

}  // namespace hollin::prefs
