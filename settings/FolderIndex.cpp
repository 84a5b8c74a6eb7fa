#include "settings/FolderIndex.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
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

std::size_t Hash(const std::u16string& key) { return std::hash<std::u16string>{}(key); }

// A folder being walked: open, so that its sub-folders are opened beneath
// it, until the last of them has been walked.
struct Level {
    FileDescriptor descriptor;
    std::string path;
    std::size_t depth = 0;                // below the folder listed
    std::vector<std::string> subfolders;  // still to walk, the next one last
};

}  // namespace

std::string JoinedPath(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

FolderIndex::FolderIndex(int folder, ListingBounds bounds, const Cancellation& cancelled) {
    std::vector<ListedName> names = List(folder, bounds, cancelled);
    entries_.reserve(names.size());
    for (ListedName& listed : names) {
        TextureName read = ReadTextureName(hollin::utils::Utf8FromUtf8OrWindows1252(listed.name));
        entries_.push_back({std::move(listed.name), std::move(read), listed.kind, listed.folder});
    }
    for (std::size_t key = 0; key < std::size(sorted_); ++key) {
        const auto member = KeyOf(static_cast<NameKey>(key));
        // By hash and place, so that each comparison is of two numbers side
        // by side; then the rare run of one hash shared by different keys
        // by key, so that each key's entries are together, in the order of
        // folder and name.
        std::vector<std::pair<std::size_t, std::uint32_t>> keyed(entries_.size());
        for (std::uint32_t place = 0; place < keyed.size(); ++place) keyed[place] = {Hash(entries_[place].read.*member), place};
        std::sort(keyed.begin(), keyed.end());
        const auto keyOf = [&](const std::pair<std::size_t, std::uint32_t>& item) -> const std::u16string& {
            return entries_[item.second].read.*member;
        };
        for (auto run = keyed.begin(); run != keyed.end();) {
            const auto end = std::find_if(run, keyed.end(), [&](const auto& item) { return item.first != run->first; });
            if (std::any_of(run, end, [&](const auto& item) { return keyOf(item) != keyOf(*run); })) {
                std::stable_sort(run, end, [&](const auto& a, const auto& b) { return keyOf(a) < keyOf(b); });
            }
            run = end;
        }
        hashes_[key].resize(keyed.size());
        sorted_[key].resize(keyed.size());
        for (std::size_t place = 0; place < keyed.size(); ++place) {
            std::tie(hashes_[key][place], sorted_[key][place]) = keyed[place];
        }
    }
    foldersByPath_.resize(folders_.size());
    std::iota(foldersByPath_.begin(), foldersByPath_.end(), 0u);
    std::sort(foldersByPath_.begin(), foldersByPath_.end(),
              [&](std::uint32_t a, std::uint32_t b) { return folders_[a] < folders_[b]; });
}

std::vector<FolderIndex::ListedName> FolderIndex::List(int folder, ListingBounds bounds, const Cancellation& cancelled) {
    std::vector<ListedName> names;
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
        const std::size_t first = names.size();
        std::unique_ptr<DIR, CloseListing> listing;
        if (const int own = ::fcntl(descriptor.Get(), F_DUPFD_CLOEXEC, 0); own >= 0) {
            listing.reset(::fdopendir(own));
            if (!listing) ::close(own);
        }
        bool goOn = true;
        while (listing && goOn) {
            const dirent* entry = ::readdir(listing.get());
            if (entry == nullptr) break;
            std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            if (names.size() >= bounds.names) cutShort_ = true;
            goOn = names.size() < bounds.names && !stopped();
            if (goOn) names.push_back({std::move(name), KindOf(listing.get(), *entry), number});
        }
        std::sort(names.begin() + static_cast<std::ptrdiff_t>(first), names.end(),
                  [](const ListedName& a, const ListedName& b) { return a.name < b.name; });
        Level level{std::move(descriptor), std::move(path), depth, {}};
        for (std::size_t entry = names.size(); entry > first; --entry) {
            if (names[entry - 1].kind != EntryKind::Folder) continue;
            if (depth == bounds.depth) {
                cutShort_ = cutShort_ || depth > 0;
                break;
            }
            level.subfolders.push_back(names[entry - 1].name);
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
        std::string path = JoinedPath(level.path, name);
        const std::size_t depth = level.depth + 1;
        if (level.subfolders.empty()) levels.pop_back();
        if (opened.descriptor.IsOpen()) goOn = !stopped() && read(std::move(opened.descriptor), std::move(path), depth);
    }
    return names;
}

std::optional<std::uint32_t> FolderIndex::FolderAt(const std::string& path) const {
    const auto found =
        std::lower_bound(foldersByPath_.begin(), foldersByPath_.end(), path,
                         [&](std::uint32_t folder, const std::string& wanted) { return folders_[folder] < wanted; });
    if (found == foldersByPath_.end() || folders_[*found] != path) return std::nullopt;
    return *found;
}

std::span<const std::uint32_t> FolderIndex::Fitting(NameKey key, const std::u16string& value) const {
    const auto member = KeyOf(key);
    const std::vector<std::size_t>& hashes = hashes_[static_cast<std::size_t>(key)];
    const std::vector<std::uint32_t>& sorted = sorted_[static_cast<std::size_t>(key)];
    const auto [low, high] = std::equal_range(hashes.begin(), hashes.end(), Hash(value));
    const auto first = sorted.begin() + (low - hashes.begin()), last = sorted.begin() + (high - hashes.begin());
    const auto keyOf = [&](std::uint32_t place) -> const std::u16string& { return entries_[place].read.*member; };
    const auto lower = std::partition_point(first, last, [&](std::uint32_t place) { return keyOf(place) < value; });
    const auto upper = std::partition_point(lower, last, [&](std::uint32_t place) { return keyOf(place) == value; });
    return {lower, upper};
}

std::span<const std::uint32_t> FolderIndex::Fitting(NameKey key, const std::u16string& value, std::uint32_t folder) const {
    const std::span<const std::uint32_t> all = Fitting(key, value);
    // Within one key the entries are in the order of their folders.
    const auto lower =
        std::partition_point(all.begin(), all.end(), [&](std::uint32_t entry) { return entries_[entry].folder < folder; });
    const auto upper =
        std::partition_point(lower, all.end(), [&](std::uint32_t entry) { return entries_[entry].folder == folder; });
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
