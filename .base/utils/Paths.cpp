#include "Paths.h"

#include <linux/limits.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>


namespace hollin::utils {
namespace {

bool StartsWith(const std::u16string& text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && std::u16string_view(text).substr(0, prefix.size()) == prefix;
}

// '/' separates; NUL is the only other byte that a Linux file name cannot hold.
bool IsForbiddenInName(char16_t unit) { return unit == 0; }

// True when a canonical path could name a file on this system: at most
// PATH_MAX bytes with its terminator, and no component over NAME_MAX bytes.
bool FitsTheSystemLimits(const std::string& path) {
    if (path.size() >= PATH_MAX) return false;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (end - start > NAME_MAX) return false;
        start = end + 1;
    }
    return true;
}

// The folder part of a path through its last separator. On this system a
// backslash or a colon is an ordinary character in a file name: a file
// named "..\\..\\x.3ds" lies in the folder it is in, not two above it.
std::u16string DirectoryPart(const std::u16string& path) {
    const std::size_t lastSeparator = path.rfind(u'/');
    if (lastSeparator == std::u16string::npos) return {};
    return path.substr(0, lastSeparator + 1);
}

std::string ToOsPath(const Utf16String& path) { return path.ToUtf8(); }

// An absolute path from an environment variable, or the empty text.
Utf16String AbsoluteFromEnvironment(const char* value) {
    if (value == nullptr || value[0] != '/') return {};
    return Utf16String::FromUtf8(value);
}

}  // namespace

Utf16String NormalizePath(const Utf16String& path) {
    if (path.IsEmpty()) return {};
    std::u16string units = path.Units();

    std::size_t prefix = 1;
    if (StartsWith(units, u"http://") || StartsWith(units, u"file://")) {
        prefix = 7;
    } else if (StartsWith(units, u"smb://")) {
        prefix = 6;
    }
    prefix = std::min(prefix, units.size());

    Utf16String rest(units.substr(prefix));
    rest.ReplaceAll(Utf16String(u"//"), Utf16String(u"/"));
    units.resize(prefix);
    units += rest.Units();

    if (!units.empty() && units.back() == u'/') units.pop_back();

    for (std::size_t index = units.size(); index > prefix; --index) {
        if (IsForbiddenInName(units[index - 1])) units[index - 1] = u'_';
    }
    return Utf16String(std::move(units));
}

Utf16String JoinPath(const Utf16String& first, const Utf16String& second) {
    if (first.IsEmpty()) return NormalizePath(second);
    Utf16String joined(first);
    if (first.Units().back() != u'/') joined.Append(u'/');
    if (!second.IsEmpty() && second[0] == u'/') {
        joined.Append(Utf16String(second.Units().substr(1)));
    } else {
        joined.Append(second);
    }
    return NormalizePath(joined);
}

Utf16String GetFolderOfPath(const Utf16String& path) {
    Utf16String normalized = NormalizePath(Utf16String(DirectoryPart(path.Units())));
    // A folder beyond the system's limits cannot exist; nothing is looked up in it.
    if (!FitsTheSystemLimits(ToOsPath(normalized))) return {};
    return normalized;
}

Utf16String GetHostExecutableFolder() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return {};
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return GetFolderOfPath(Utf16String::FromUtf8(buffer.data(), static_cast<std::size_t>(length)));
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool FileExists(const Utf16String& path) {
    if (path.IsEmpty()) return false;
    struct stat status {};
    return ::stat(ToOsPath(path).c_str(), &status) == 0;
}

bool IsDirectory(const Utf16String& path) {
    if (path.IsEmpty()) return false;
    std::error_code error;
    return std::filesystem::is_directory(std::filesystem::path(ToOsPath(path)), error);
}

bool CreateDirectories(const Utf16String& path) {
    if (path.IsEmpty()) return false;
    if (IsDirectory(path)) return true;
    const Utf16String normalized = NormalizePath(path);
    const Utf16String parent = GetFolderOfPath(normalized);
    if (!IsDirectory(parent)) {
        if (parent == normalized) return false;
        if (!CreateDirectories(parent)) return false;
    }
    if (::mkdir(ToOsPath(normalized).c_str(), 0777) == 0) return true;
    // Made by someone else in the meantime: it exists afterwards all the same.
    return errno == EEXIST && IsDirectory(normalized);
}

Utf16String GetRoamingApplicationDataFolder() {
    Utf16String folder = AbsoluteFromEnvironment(std::getenv("XDG_DATA_HOME"));
    if (folder.IsEmpty()) {
        const Utf16String home = AbsoluteFromEnvironment(std::getenv("HOME"));
        if (home.IsEmpty()) return {};
        folder = JoinPath(home, Utf16String(u".local/share"));
    }
    return NormalizePath(folder);
}

Utf16String GetCommonApplicationDataFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return NormalizePath(Utf16String::FromUtf8((program.parent_path().parent_path() / "share").string()));
}

}  // namespace hollin::utils
