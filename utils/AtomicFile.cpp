#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace hollin::utils {
namespace {

bool WriteAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

mode_t PermissionsFor(const std::string& path) {
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) return existing.st_mode & 07777;
    return 0644;
}

// A rename is only durable once the folder entry itself reaches the disk.
void SyncFolder(const std::filesystem::path& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

bool Fail(std::string* error, const std::string& what, const std::string& path, int code) {
    if (error != nullptr) *error = what + " " + path + ": " + std::strerror(code);
    return false;
}

}  // namespace

bool ReplaceFileAtomically(const std::string& utf8Path, std::string_view contents, std::string* error) {
    const std::filesystem::path target(utf8Path);
    if (!target.has_filename()) return Fail(error, "no file name in", utf8Path, EINVAL);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0) return Fail(error, "cannot create a temporary file beside", utf8Path, errno);

    bool written = WriteAll(descriptor, contents) && ::fchmod(descriptor, PermissionsFor(utf8Path)) == 0 &&
                   ::fsync(descriptor) == 0;
    int code = errno;
    if (::close(descriptor) != 0 && written) {
        written = false;
        code = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        return Fail(error, "cannot write", utf8Path, code);
    }
    if (::rename(temporary.c_str(), utf8Path.c_str()) != 0) {
        code = errno;
        ::unlink(temporary.c_str());
        return Fail(error, "cannot replace", utf8Path, code);
    }
    SyncFolder(folder);
    return true;
}

}  // namespace hollin::utils
