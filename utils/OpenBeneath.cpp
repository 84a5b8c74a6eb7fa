#include "utils/OpenBeneath.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string_view>
#include <vector>

namespace hollin::utils {
namespace {

// openat2 asks for a retry when a rename elsewhere raced its check of "..";
// a process that renames without end gets a refusal, not a loop.
constexpr int kMostAttempts = 8;

int OpenFlags(BeneathTarget target) {
    switch (target) {
        case BeneathTarget::File: return O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
        case BeneathTarget::Folder: return O_RDONLY | O_DIRECTORY | O_CLOEXEC;
        case BeneathTarget::Probe: break;
    }
    return O_PATH | O_CLOEXEC;
}

BeneathOpen Refusal(BeneathProblem problem, int error = 0) { return {FileDescriptor(), problem, error}; }

BeneathOpen FromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR: return Refusal(BeneathProblem::Missing, error);
        case EXDEV:  // RESOLVE_BENEATH: out of the folder
        case ELOOP:  // a magic link, a link where links are refused, or links without end
            return Refusal(BeneathProblem::LeadsOutside, error);
        default: return Refusal(BeneathProblem::Failed, error);
    }
}

bool IsLink(int folder, const std::string& name) {
    struct stat status {};
    return ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode);
}

// Without openat2: one name at a time, never following a link, so that
// nothing but real folders and files beneath `folder` can be reached.
BeneathOpen OpenWithoutLinks(int folder, std::string_view relative, BeneathTarget target) {
    if (relative.starts_with('/')) return Refusal(BeneathProblem::LeadsOutside, EXDEV);
    std::vector<std::string> names;
    for (std::size_t start = 0; start <= relative.size();) {
        std::size_t end = relative.find('/', start);
        if (end == std::string_view::npos) end = relative.size();
        const std::string_view name = relative.substr(start, end - start);
        if (name == "..") return Refusal(BeneathProblem::LeadsOutside, EXDEV);
        if (!name.empty() && name != ".") names.emplace_back(name);
        start = end + 1;
    }
    FileDescriptor current(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
    if (!current.IsOpen()) return Refusal(BeneathProblem::Failed, errno);
    for (std::size_t index = 0; index < names.size(); ++index) {
        const bool last = index + 1 == names.size();
        const int flags = (last ? OpenFlags(target) : OpenFlags(BeneathTarget::Folder)) | O_NOFOLLOW;
        FileDescriptor next(::openat(current.Get(), names[index].c_str(), flags));
        if (!next.IsOpen()) {
            const int error = errno;
            // O_NOFOLLOW with O_DIRECTORY says ENOTDIR for a link.
            if ((error == ENOTDIR || error == ELOOP) && IsLink(current.Get(), names[index])) {
                return Refusal(BeneathProblem::LeadsOutside, ELOOP);
            }
            return FromErrno(error);
        }
        current = std::move(next);
    }
    // O_PATH with O_NOFOLLOW opens a link itself.
    struct stat status {};
    if (::fstat(current.Get(), &status) == 0 && S_ISLNK(status.st_mode)) return Refusal(BeneathProblem::LeadsOutside, ELOOP);
    return {std::move(current), BeneathProblem::None, 0};
}

}  // namespace

BeneathOpen OpenBeneath(int folder, const std::string& relative, BeneathTarget target, BeneathLinks links) {
    open_how how{};
    how.flags = static_cast<std::uint64_t>(OpenFlags(target));
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    if (links == BeneathLinks::Refused) how.resolve |= RESOLVE_NO_SYMLINKS;
    const char* path = relative.empty() ? "." : relative.c_str();
    for (int attempt = 0; attempt < kMostAttempts; ++attempt) {
        const long opened = ::syscall(SYS_openat2, folder, path, &how, sizeof how);
        if (opened >= 0) return {FileDescriptor(static_cast<int>(opened)), BeneathProblem::None, 0};
        const int error = errno;
        if (error == ENOSYS) return OpenWithoutLinks(folder, relative, target);
        if (error != EAGAIN && error != EINTR) return FromErrno(error);
    }
    return Refusal(BeneathProblem::Failed, EAGAIN);
}

std::string PathOfDescriptor(int descriptor, const std::string& fallback) {
    const std::string link = "/proc/self/fd/" + std::to_string(descriptor);
    char target[PATH_MAX];
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target || target[0] != '/') return fallback;
    return std::string(target, static_cast<std::size_t>(length));
}

}  // namespace hollin::utils
