#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "settings/TextureNames.h"

namespace hollin::settings {

// Says whether the work in hand is to stop: a signal came, or the user cancelled.
using Cancellation = std::function<bool()>;

// What an entry of a folder is, as the folder's listing says; a link is not followed.
enum class EntryKind { File, Folder, Link, Other };

struct FolderEntry {
    std::string name;  // as the file system gives it
    TextureName read;
    EntryKind kind = EntryKind::Other;
    std::uint32_t folder = 0;  // the place in Folders() of the folder that holds it
};

// The path of `name` in a listed folder given by its path from the folder
// listed ("" being that folder itself).
std::string JoinedPath(const std::string& folder, const std::string& name);

// How far a listing goes: how many levels of sub-folders below the folder
// listed, and how many names in all.
struct ListingBounds {
    std::size_t depth = 0;
    std::size_t names = 0;
};

// Which of the texture search's keys a lookup compares.
enum class NameKey { Name, ShortName, Stem, ShortStem };

// The names in a folder and, to a bounded depth, in its sub-folders, read
// once through the folder's descriptor and sorted by each of the texture
// search's keys, so that a lookup costs the same however many files the
// folders hold. Sub-folders are opened beneath their parent's descriptor and
// never through a link, so that nothing outside is listed and no loop can
// be walked; a folder met again (through a bind mount) is listed once. The
// folders are numbered each before its sub-folders, and these in the order
// of their names; entries are in the order of their folder, then of their
// names, and each lookup gives them in that order too: among names equal
// but for case, the smallest comes first whatever order the file system
// lists them in. The cancellation is asked every 1,024 names and folders.
class FolderIndex {
public:
    // The folder open as `folder`, within `bounds`; less when `cancelled`
    // says so while it is read.
    FolderIndex(int folder, ListingBounds bounds, const Cancellation& cancelled);

    const std::vector<FolderEntry>& Entries() const { return entries_; }
    // The folders listed, by their path beneath the first, which is "".
    const std::vector<std::string>& Folders() const { return folders_; }
    // The place in Folders() of the folder at `path`, if it was listed.
    std::optional<std::uint32_t> FolderAt(const std::string& path) const;
    // Whether a bound left names out, or sub-folders below the deepest level
    // walked (a listing of one folder alone leaves none out).
    bool CutShort() const { return cutShort_; }

    // The entries, as places in Entries(), whose `key` is `value`: in all
    // folders, or in one.
    std::span<const std::uint32_t> Fitting(NameKey key, const std::u16string& value) const;
    std::span<const std::uint32_t> Fitting(NameKey key, const std::u16string& value, std::uint32_t folder) const;
    // The place of the entry named exactly `name` in `folder`, if it is listed.
    std::optional<std::uint32_t> Exactly(const std::string& name, std::uint32_t folder) const;

private:
    struct ListedName {
        std::string name;
        EntryKind kind = EntryKind::Other;
        std::uint32_t folder = 0;
    };

    // The names, in the order of folder and name, and the folders.
    std::vector<ListedName> List(int folder, ListingBounds bounds, const Cancellation& cancelled);

    std::vector<FolderEntry> entries_;
    std::vector<std::string> folders_;
    std::vector<std::uint32_t> foldersByPath_;
    // By NameKey: the places of the entries sorted by that key's hash, then
    // by the key, then by place; and the hashes, in the same order.
    std::vector<std::uint32_t> sorted_[4];
    std::vector<std::size_t> hashes_[4];
    bool cutShort_ = false;
};

}  // namespace hollin::settings
