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
};

// The names in one folder, read once through the folder's descriptor and
// sorted by each of the texture search's keys, so that a lookup costs the
// same however many files the folder holds. Entries are in the order of
// their names, and each lookup gives them in that order too: among names
// equal but for case, the smallest comes first whatever order the file
// system lists them in.
class FolderIndex {
public:
    // At most `mostEntries` entries of the folder open as `folder`; fewer
    // when `cancelled` says so while it is read.
    FolderIndex(int folder, std::size_t mostEntries, const Cancellation& cancelled);

    const std::vector<FolderEntry>& Entries() const { return entries_; }

    // The entries, as places in Entries(), whose folded name, 8.3 cut of it,
    // stem or 8.3 cut of the stem is `key`.
    std::span<const std::uint32_t> Named(const std::u16string& key) const { return Find(byName_, key, &TextureName::folded); }
    std::span<const std::uint32_t> CutTo(const std::u16string& key) const {
        return Find(byShortName_, key, &TextureName::foldedShortName);
    }
    std::span<const std::uint32_t> Stemmed(const std::u16string& key) const {
        return Find(byStem_, key, &TextureName::foldedStem);
    }
    std::span<const std::uint32_t> StemCutTo(const std::u16string& key) const {
        return Find(byShortStem_, key, &TextureName::foldedShortStem);
    }
    // The place of the entry named exactly `name`, if it is listed.
    std::optional<std::uint32_t> Exactly(const std::string& name) const;

private:
    using Key = std::u16string TextureName::*;

    std::vector<std::uint32_t> SortedBy(Key key) const;
    std::span<const std::uint32_t> Find(const std::vector<std::uint32_t>& sorted, const std::u16string& value,
                                        Key key) const;

    std::vector<FolderEntry> entries_;
    std::vector<std::uint32_t> byName_;
    std::vector<std::uint32_t> byShortName_;
    std::vector<std::uint32_t> byStem_;
    std::vector<std::uint32_t> byShortStem_;
};

}  // namespace hollin::settings
