#include "StaleTemporaryFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <string_view>

namespace kvimport {

namespace {

// Older than any import that is still running.
constexpr std::chrono::hours kStaleAfter{24};
// A folder of more entries is swept only in part; the next import goes on
// where the folder's order takes it.
constexpr std::size_t kMostEntriesLooked = 1 << 16;

// ".XXXXXX" as mkstemp ends a name.
bool EndsInUniqueSuffix(std::string_view& name) {
    constexpr std::size_t kSuffix = 7;
    if (name.size() < kSuffix || name[name.size() - kSuffix] != '.') return false;
    for (const char character : name.substr(name.size() - kSuffix + 1)) {
        const bool letterOrDigit = (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z') ||
                                   (character >= '0' && character <= '9');
        if (!letterOrDigit) return false;
    }
    name.remove_suffix(kSuffix);
    return true;
}

bool IsOurTemporaryName(std::string_view name) {
    if (!name.starts_with('.') || !EndsInUniqueSuffix(name)) return false;
    name.remove_prefix(1);
    // The library's temporary file beside a staged copy: one more dot and suffix.
    if (name.starts_with('.') && EndsInUniqueSuffix(name)) name.remove_prefix(1);
    return name.size() > 4 && name.ends_with(".kvm");
}

class Folder {
public:
    explicit Folder(const std::filesystem::path& path)
        : descriptor_(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
          listing_(descriptor_ < 0 ? nullptr : ::fdopendir(::fcntl(descriptor_, F_DUPFD_CLOEXEC, 0))) {}
    ~Folder() {
        if (listing_ != nullptr) ::closedir(listing_);
        if (descriptor_ >= 0) ::close(descriptor_);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    int Descriptor() const { return descriptor_; }
    DIR* Listing() const { return listing_; }

private:
    int descriptor_;
    DIR* listing_;
};

}  // namespace

void RemoveStaleTemporaryFiles(const std::filesystem::path& folder) {
    const Folder opened(folder);
    if (opened.Listing() == nullptr) return;
    const auto staleBefore = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now() - kStaleAfter);
    std::size_t looked = 0;
    while (const dirent* entry = ::readdir(opened.Listing())) {
        if (++looked > kMostEntriesLooked) break;
        if (!IsOurTemporaryName(entry->d_name)) continue;
        struct stat status {};
        if (::fstatat(opened.Descriptor(), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISREG(status.st_mode) && status.st_uid == ::geteuid() && status.st_mtime < staleBefore) {
            ::unlinkat(opened.Descriptor(), entry->d_name, 0);
        }
    }
}

}  // namespace kvimport
