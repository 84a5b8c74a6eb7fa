#include "settings/FolderIndex.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <set>
#include <tuple>
#include <utility>

#include "utils/FileDescriptor.h"
#include "utils/OpenBeneath.h"
#include "utils/Utf8Conversion.h"

namespace hollin::settings {
namespace {

using hollin::utils::FileDescriptor;

// How many entries and folders are read between two looks at the cancellation.
constexpr std::size_t kReadsBetweenChecks = 1024;

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

std::u16string TextureName::*KeyOf(NameKey key) {
    switch (key) {
        case NameKey::Name: return &TextureName::folded;
        case NameKey::ShortName: return &TextureName::foldedShortName;
        case NameKey::Stem: return &TextureName::foldedStem;
        case NameKey::ShortStem: break;
    }
    return &TextureName::foldedShortStem;
}

std::string Joined(const std::string& folder, const std::string& name) { return folder.empty() ? name : folder + "/" + name; }

// A folder being walked: open, so that its sub-folders are opened beneath
// it, until the last of them has been walked.
struct Level {
    FileDescriptor descriptor;
    std::string path;
    std::size_t depth = 0;                // below the folder listed
    std::vector<std::string> subfolders;  // still to walk, the next one last
};

}  // namespace

FolderIndex::FolderIndex(int folder, ListingBounds bounds, const Cancellation& cancelled) {
    List(folder, bounds, cancelled);
    for (std::size_t key = 0; key < std::size(sorted_); ++key) {
        const auto member = KeyOf(static_cast<NameKey>(key));
        std::vector<std::uint32_t>& places = sorted_[key];
        places.resize(entries_.size());
        std::iota(places.begin(), places.end(), 0u);
        // Stable, so that equal keys stay in the order of folder and name.
        std::stable_sort(places.begin(), places.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return entries_[a].read.*member < entries_[b].read.*member; });
    }
    foldersByPath_.resize(folders_.size());
    std::iota(foldersByPath_.begin(), foldersByPath_.end(), 0u);
    std::sort(foldersByPath_.begin(), foldersByPath_.end(),
              [&](std::uint32_t a, std::uint32_t b) { return folders_[a] < folders_[b]; });
}

void FolderIndex::List(int folder, ListingBounds bounds, const Cancellation& cancelled) {
    std::size_t reads = 0;
    const auto stopped = [&] { return ++reads % kReadsBetweenChecks == 0 && cancelled && cancelled(); };
    std::vector<Level> levels;
    // A folder listed already is not listed again: a bind mount may show a
    // folder inside itself.
    std::set<std::pair<dev_t, ino_t>> listed;
    // Lists the folder open as `descriptor` and, when its sub-folders are
    // to be walked, puts it on `levels`; false when the listing is to stop.
    const auto read = [&](FileDescriptor descriptor, std::string path, std::size_t depth) {
        struct stat status {};
        if (::fstat(descriptor.Get(), &status) != 0 || !listed.emplace(status.st_dev, status.st_ino).second) return true;
        const auto number = static_cast<std::uint32_t>(folders_.size());
        folders_.push_back(path);
        const std::size_t first = entries_.size();
        std::unique_ptr<DIR, CloseListing> listing;
        if (const int own = ::fcntl(descriptor.Get(), F_DUPFD_CLOEXEC, 0); own >= 0) {
            listing.reset(::fdopendir(own));
            if (!listing) ::close(own);
        }
        bool goOn = true;
        while (listing && goOn) {
            const dirent* entry = ::readdir(listing.get());
            if (entry == nullptr) break;
            const std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            if (entries_.size() >= bounds.names) cutShort_ = true;
            goOn = entries_.size() < bounds.names && !stopped();
            if (!goOn) break;
            entries_.push_back({name, ReadTextureName(hollin::utils::Utf8FromUtf8OrWindows1252(name)),
                                KindOf(listing.get(), *entry), number});
        }
        std::sort(entries_.begin() + static_cast<std::ptrdiff_t>(first), entries_.end(),
                  [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
        Level level{std::move(descriptor), std::move(path), depth, {}};
        for (std::size_t entry = entries_.size(); entry > first; --entry) {
            if (entries_[entry - 1].kind != EntryKind::Folder) continue;
            if (depth == bounds.depth) {
                cutShort_ = cutShort_ || depth > 0;
                break;
            }
            level.subfolders.push_back(entries_[entry - 1].name);
        }
        if (!level.subfolders.empty()) levels.push_back(std::move(level));
        return goOn;
    };

    // A descriptor of its own, so that the listing starts at the top
    // whatever was read through `folder` before.
    FileDescriptor top(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    bool goOn = top.IsOpen() && read(std::move(top), "", 0);
    while (goOn && !levels.empty()) {
        Level& level = levels.back();
        const std::string name = std::move(level.subfolders.back());
        level.subfolders.pop_back();
        hollin::utils::BeneathOpen opened = hollin::utils::OpenBeneath(
            level.descriptor.Get(), name, hollin::utils::BeneathTarget::Folder, hollin::utils::BeneathLinks::Refused);
        std::string path = Joined(level.path, name);
        const std::size_t depth = level.depth + 1;
        if (level.subfolders.empty()) levels.pop_back();
        if (opened.descriptor.IsOpen()) goOn = !stopped() && read(std::move(opened.descriptor), std::move(path), depth);
    }
}

std::optional<std::uint32_t> FolderIndex::FolderAt(const std::string& path) const {
    const auto found = std::lower_bound(foldersByPath_.begin(), foldersByPath_.end(), path,
                                        [&](std::uint32_t folder, const std::string& wanted) { return folders_[folder] < wanted; });
    if (found == foldersByPath_.end() || folders_[*found] != path) return std::nullopt;
    return *found;
}

std::span<const std::uint32_t> FolderIndex::Fitting(NameKey key, const std::u16string& value) const {
    const auto member = KeyOf(key);
    const std::vector<std::uint32_t>& sorted = sorted_[static_cast<std::size_t>(key)];
    const auto lower = std::lower_bound(sorted.begin(), sorted.end(), value, [&](std::uint32_t place, const std::u16string& wanted) {
        return entries_[place].read.*member < wanted;
    });
    const auto upper = std::upper_bound(lower, sorted.end(), value, [&](const std::u16string& wanted, std::uint32_t place) {
        return wanted < entries_[place].read.*member;
    });
    return {lower, upper};
}

std::span<const std::uint32_t> FolderIndex::Fitting(NameKey key, const std::u16string& value, std::uint32_t folder) const {
    const std::span<const std::uint32_t> all = Fitting(key, value);
    // Within one key the entries are in the order of their folders.
    const auto lower = std::partition_point(all.begin(), all.end(), [&](std::uint32_t entry) { return entries_[entry].folder < folder; });
    const auto upper = std::partition_point(lower, all.end(), [&](std::uint32_t entry) { return entries_[entry].folder == folder; });
    return {lower, upper};
}

std::optional<std::uint32_t> FolderIndex::Exactly(const std::string& name, std::uint32_t folder) const {
    const auto found = std::lower_bound(entries_.begin(), entries_.end(), std::tie(folder, name),
                                        [](const FolderEntry& entry, const auto& wanted) {
                                            return std::tie(entry.folder, entry.name) < wanted;
                                        });
    if (found == entries_.end() || found->folder != folder || found->name != name) return std::nullopt;
    return static_cast<std::uint32_t>(found - entries_.begin());
}

}  // namespace hollin::settings
