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

#include "Format.h"

namespace hollin::utils {
namespace {

// The drive part of a Windows path ("X:"), kept so that such paths split as
// they do on Windows.
constexpr std::size_t kDriveLength = 2;

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

// The drive ("X:") and directory (through the last separator) parts, split
// as _wsplitpath_s splits them.
void SplitDriveAndDirectory(const std::u16string& path, std::u16string& drive, std::u16string& directory) {
    std::size_t start = 0;
    drive.clear();
    directory.clear();
    if (path.size() >= kDriveLength && path[kDriveLength - 1] == u':') {
        drive = path.substr(0, kDriveLength);
        start = kDriveLength;
    }
    const std::size_t lastSeparator = path.find_last_of(u"/\\");
    if (lastSeparator != std::u16string::npos && lastSeparator >= start) {
        directory = path.substr(start, lastSeparator + 1 - start);
    }
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
    for (char16_t& unit : units) {
        if (unit == u'\\') unit = u'/';
    }

    std::size_t prefix = 1;
    if (StartsWith(units, u"http://") || StartsWith(units, u"file://")) {
        prefix = 7;
    } else if (StartsWith(units, u"smb://")) {
        prefix = 6;
    } else if (units.find(u":/") == 1) {
        prefix = 3;
    } else if (units.find(u':') == 1) {
        prefix = 2;
    }
    prefix = std::min(prefix, units.size());

    Utf16String rest(units.substr(prefix));
    rest.ReplaceAll(Utf16String(u"//"), Utf16String(u"/"));
    units.resize(prefix);
    units += rest.Units();

    if (!units.empty() && units.back() == u'/') {
        const char16_t before = units.size() >= 2 ? units[units.size() - 2] : u' ';
        if (before != u':') units.pop_back();
    }

    for (std::size_t index = units.size(); index > prefix; --index) {
        if (IsForbiddenInName(units[index - 1])) units[index - 1] = u'_';
    }
    return Utf16String(std::move(units));
}

Utf16String JoinPath(const Utf16String& first, const Utf16String& second) {
    if (first.IsEmpty()) return NormalizePath(second);
    Utf16String joined(first);
    const char16_t last = first.Units().back();
    if (last != u'/' && last != u'\\') joined.Append(u'/');
    if (!second.IsEmpty() && (second[0] == u'/' || second[0] == u'\\')) {
        joined.Append(Utf16String(second.Units().substr(1)));
    } else {
        joined.Append(second);
    }
    return NormalizePath(joined);
}

Utf16String GetFolderOfPath(const Utf16String& path) {
    std::u16string drive;
    std::u16string directory;
    SplitDriveAndDirectory(path.Units(), drive, directory);
    Utf16String folder;
    Format(folder, Utf16String(u"%s%s"), Utf16String(std::move(drive)), Utf16String(std::move(directory)));
    Utf16String normalized = NormalizePath(folder);
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
