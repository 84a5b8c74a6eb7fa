#include "settings/FolderIndex.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <numeric>

#include "utils/Utf8Conversion.h"

namespace hollin::settings {
namespace {

// How many entries are read between two looks at the cancellation.
constexpr std::size_t kEntriesBetweenChecks = 1024;

struct CloseListing {
    void operator()(DIR* listing) const { ::closedir(listing); }
};

EntryKind KindOf(DIR* listing, const dirent& entry) {
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN) {
        struct stat status {};
        if (::fstatat(::dirfd(listing), entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::Other;
        type = S_ISREG(status.st_mode) ? DT_REG : S_ISDIR(status.st_mode) ? DT_DIR : S_ISLNK(status.st_mode) ? DT_LNK : DT_UNKNOWN;
    }
    switch (type) {
        case DT_REG: return EntryKind::File;
        case DT_DIR: return EntryKind::Folder;
        case DT_LNK: return EntryKind::Link;
        default: return EntryKind::Other;
    }
}

}  // namespace

FolderIndex::FolderIndex(int folder, std::size_t mostEntries, const Cancellation& cancelled) {
    // A descriptor of its own, so that the listing starts at the top
    // whatever was read through `folder` before.
    const int own = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::unique_ptr<DIR, CloseListing> listing(own >= 0 ? ::fdopendir(own) : nullptr);
    if (!listing) {
        if (own >= 0) ::close(own);
        return;
    }
    while (entries_.size() < mostEntries) {
        if (entries_.size() % kEntriesBetweenChecks == 0 && cancelled && cancelled()) break;
        const dirent* entry = ::readdir(listing.get());
        if (entry == nullptr) break;
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        entries_.push_back({name, ReadTextureName(hollin::utils::Utf8FromUtf8OrWindows1252(name)), KindOf(listing.get(), *entry)});
    }
    std::sort(entries_.begin(), entries_.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    byName_ = SortedBy(&TextureName::folded);
    byShortName_ = SortedBy(&TextureName::foldedShortName);
    byStem_ = SortedBy(&TextureName::foldedStem);
    byShortStem_ = SortedBy(&TextureName::foldedShortStem);
}

std::vector<std::uint32_t> FolderIndex::SortedBy(Key key) const {
    std::vector<std::uint32_t> places(entries_.size());
    std::iota(places.begin(), places.end(), 0u);
    std::stable_sort(places.begin(), places.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return entries_[a].read.*key < entries_[b].read.*key; });
    return places;
}

std::span<const std::uint32_t> FolderIndex::Find(const std::vector<std::uint32_t>& sorted, const std::u16string& value,
                                                 Key key) const {
    const auto lower = std::lower_bound(sorted.begin(), sorted.end(), value,
                                        [&](std::uint32_t place, const std::u16string& wanted) { return entries_[place].read.*key < wanted; });
    const auto upper = std::upper_bound(lower, sorted.end(), value,
                                        [&](const std::u16string& wanted, std::uint32_t place) { return wanted < entries_[place].read.*key; });
    return {lower, upper};
}

std::optional<std::uint32_t> FolderIndex::Exactly(const std::string& name) const {
    const auto found = std::lower_bound(entries_.begin(), entries_.end(), name,
                                        [](const FolderEntry& entry, const std::string& wanted) { return entry.name < wanted; });
    if (found == entries_.end() || found->name != name) return std::nullopt;
    return static_cast<std::uint32_t>(found - entries_.begin());
}

}  // namespace hollin::settings
