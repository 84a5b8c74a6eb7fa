#include "utils/OpenBeneath.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace hollin::utils {
namespace {

// openat2 asks for a retry when a rename elsewhere raced its check of "..";
// a process that renames without end gets a refusal, not a loop.
constexpr int kMostAttempts = 8;
// As many links as the kernel follows in one path.
constexpr int kMostLinks = 40;

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

std::vector<std::string> NamesOf(std::string_view path) {
    std::vector<std::string> names;
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) names.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string path;
    for (const std::string& name : names) path += (path.empty() ? "" : "/") + name;
    return path;
}

bool IsLink(int folder, const std::string& name) {
    struct stat status {};
    return ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode);
}

// Without openat2: one name at a time, never following a link, so that
// nothing but real folders and files beneath `folder` can be reached.
BeneathOpen OpenWithoutLinks(int folder, std::string_view relative, BeneathTarget target) {
    std::vector<std::string> names = NamesOf(relative);
    if (relative.starts_with('/') || std::find(names.begin(), names.end(), "..") != names.end()) {
        return Refusal(BeneathProblem::LeadsOutside, EXDEV);
    }
    std::erase(names, ".");
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

long Openat2(int folder, const std::string& relative, std::uint64_t flags, std::uint64_t resolve) {
    open_how how{};
    how.flags = flags;
    how.resolve = resolve;
    const char* path = relative.empty() ? "." : relative.c_str();
    for (int attempt = 0; attempt < kMostAttempts; ++attempt) {
        const long opened = ::syscall(SYS_openat2, folder, path, &how, sizeof how);
        if (opened >= 0 || (errno != EAGAIN && errno != EINTR)) return opened;
    }
    return -1;
}

// The kernel's check refuses every absolute link, even one that names a
// place inside the folder by its full path, as links made with `ln -s
// "$PWD/..."` do. Such links are read here, name by name, and the path is
// rewritten relative to the folder without any link; nothing when it leads
// out. The caller opens what this gives with no link followed, beneath the
// folder, so that whatever changes meanwhile, nothing outside is reached.
std::optional<std::string> WithoutLinks(int folder, std::string_view relative) {
    const std::string root = PathOfDescriptor(folder, {});
    if (root.empty() || relative.starts_with('/')) return std::nullopt;
    std::vector<std::string> pending = NamesOf(relative);  // in reverse, the next name last
    std::reverse(pending.begin(), pending.end());
    std::vector<std::string> resolved;
    int links = 0;
    while (!pending.empty()) {
        std::string name = std::move(pending.back());
        pending.pop_back();
        if (name == ".") continue;
        if (name == "..") {
            if (resolved.empty()) return std::nullopt;
            resolved.pop_back();
            continue;
        }
        resolved.push_back(std::move(name));
        const FileDescriptor probe(static_cast<int>(
            Openat2(folder, Joined(resolved), O_PATH | O_NOFOLLOW | O_CLOEXEC,
                    RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS)));
        struct stat status {};
        if (!probe.IsOpen() || ::fstat(probe.Get(), &status) != 0 || !S_ISLNK(status.st_mode)) continue;
        char target[PATH_MAX];
        const ssize_t length = ::readlinkat(probe.Get(), "", target, sizeof target);
        if (++links > kMostLinks || length <= 0 || static_cast<std::size_t>(length) >= sizeof target) return std::nullopt;
        std::string_view text(target, static_cast<std::size_t>(length));
        resolved.pop_back();
        if (text.starts_with('/')) {
            const bool inside = root == "/" || text == root || (text.starts_with(root) && text[root.size()] == '/');
            if (!inside) return std::nullopt;
            text.remove_prefix(root == "/" ? 0 : root.size());
            resolved.clear();
        }
        std::vector<std::string> names = NamesOf(text);
        pending.insert(pending.end(), names.rbegin(), names.rend());
    }
    return Joined(resolved);
}

}  // namespace

BeneathOpen OpenBeneath(int folder, const std::string& relative, BeneathTarget target, BeneathLinks links) {
    auto flags = static_cast<std::uint64_t>(OpenFlags(target));
    std::uint64_t resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    if (links == BeneathLinks::Refused) resolve |= RESOLVE_NO_SYMLINKS;
    // A folder to be walked is not entered through a link, its own name included.
    if (links == BeneathLinks::Refused && target == BeneathTarget::Folder) flags |= O_NOFOLLOW;
    long opened = Openat2(folder, relative, flags, resolve);
    if (opened < 0 && errno == ENOSYS) return OpenWithoutLinks(folder, relative, target);
    // O_NOFOLLOW with O_DIRECTORY says ENOTDIR for a link.
    if (opened < 0 && errno == ENOTDIR && (flags & O_NOFOLLOW) != 0 && IsLink(folder, relative)) {
        return Refusal(BeneathProblem::LeadsOutside, ELOOP);
    }
    if (opened < 0 && errno == EXDEV && links == BeneathLinks::StayInside) {
        const std::optional<std::string> linkFree = WithoutLinks(folder, relative);
        if (!linkFree) return Refusal(BeneathProblem::LeadsOutside, EXDEV);
        opened = Openat2(folder, *linkFree, flags, resolve | RESOLVE_NO_SYMLINKS);
    }
    if (opened < 0) return FromErrno(errno);
    return {FileDescriptor(static_cast<int>(opened)), BeneathProblem::None, 0};
}

std::string PathOfDescriptor(int descriptor, const std::string& fallback) {
    const std::string link = "/proc/self/fd/" + std::to_string(descriptor);
    char target[PATH_MAX];
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target || target[0] != '/') return fallback;
    return std::string(target, static_cast<std::size_t>(length));
}

}  // namespace hollin::utils
