#include "settings/FolderMatch.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace hollin::settings {

FolderMatch MatchInFolder(const FolderIndex& index, std::uint32_t folder, const std::string& storedName,
                          const std::function<Admission(std::uint32_t entry)>& admit) {
    const std::vector<FolderEntry>& entries = index.Entries();
    const TextureName stored = ReadTextureName(storedName);
    const auto fitting = [&](NameKey key, const std::u16string& value) { return index.Fitting(key, value, folder); };
    FolderMatch outcome;
    const auto note = [&](TextureMiss why, std::vector<std::string> names = {}) {
        if (outcome.miss != TextureMiss::NotFound) return;
        outcome.miss = why;
        outcome.candidates = std::move(names);
    };
    const auto noteRefusal = [&](Admission admission) {
        if (admission == Admission::LinksOutside) note(TextureMiss::LinksOutside);
        if (admission == Admission::NotARegularFile) note(TextureMiss::NotARegularFile);
    };
    const auto take = [&](std::uint32_t entry, TextureMatch match) {
        if (entries[entry].read.imageExtension) {
            outcome.found = EntryMatch{entry, match};
        } else if (!outcome.unreadable) {
            outcome.unreadable = EntryMatch{entry, match};
        }
    };
    // The entries among `fitting` that `fits` and may be taken.
    const auto admitted = [&](std::span<const std::uint32_t> fitting, const auto& fits) {
        std::vector<std::uint32_t> taken;
        for (const std::uint32_t entry : fitting) {
            if (!fits(entries[entry].read)) continue;
            const Admission admission = admit(entry);
            noteRefusal(admission);
            if (admission == Admission::Taken) taken.push_back(entry);
        }
        return taken;
    };
    const auto names = [&](const std::vector<std::uint32_t>& taken) {
        std::vector<std::string> list;
        for (const std::uint32_t entry : taken) list.push_back(entries[entry].name);
        return list;
    };

    // The name as stored, then the smallest name equal to it ignoring case:
    // the first of them that is not a folder decides.
    std::vector<std::uint32_t> named;
    if (const std::optional<std::uint32_t> exact = index.Exactly(storedName, folder)) named.push_back(*exact);
    const std::span<const std::uint32_t> sameName = fitting(NameKey::Name, stored.folded);
    named.insert(named.end(), sameName.begin(), sameName.end());
    for (const std::uint32_t entry : named) {
        const Admission admission = admit(entry);
        if (admission == Admission::Passed) continue;
        noteRefusal(admission);
        if (admission == Admission::Taken) take(entry, TextureMatch::Name);
        break;
    }

    if (!outcome.found && !outcome.unreadable && stored.isShortName) {
        const std::vector<std::uint32_t> cut = admitted(fitting(NameKey::ShortName, stored.folded), [&](const TextureName& read) {
            return read.folded != stored.folded;
        });
        if (cut.size() == 1) take(cut[0], TextureMatch::ShortName);
        if (cut.size() > 1) note(TextureMiss::SeveralShortNames, names(cut));
    }
    if (outcome.found) return outcome;

    std::vector<std::uint32_t> sameStem =
        admitted(fitting(NameKey::Stem, stored.foldedStem), [](const TextureName& read) { return read.imageExtension.has_value(); });
    if (!sameStem.empty()) {
        const auto best = std::min_element(sameStem.begin(), sameStem.end(), [&](std::uint32_t a, std::uint32_t b) {
            return std::tie(*entries[a].read.imageExtension, entries[a].name) <
                   std::tie(*entries[b].read.imageExtension, entries[b].name);
        });
        outcome.found = EntryMatch{*best, TextureMatch::StandIn};
        return outcome;
    }
    if (stored.foldedShortStem == stored.foldedStem) {
        const std::vector<std::uint32_t> cut = admitted(fitting(NameKey::ShortStem, stored.foldedStem), [&](const TextureName& read) {
            return read.imageExtension && read.foldedStem != stored.foldedStem;
        });
        if (cut.size() == 1) outcome.found = EntryMatch{cut[0], TextureMatch::StandIn};
        if (cut.size() > 1) note(TextureMiss::SeveralShortNames, names(cut));
    }
    return outcome;
}

std::vector<std::uint32_t> FoldersToMatchIn(const FolderIndex& index, const std::string& storedName) {
    // Every entry MatchInFolder may take has one of these keys.
    const TextureName stored = ReadTextureName(storedName);
    std::vector<std::uint32_t> folders;
    for (const auto& [key, value] : {std::pair(NameKey::Name, &stored.folded), std::pair(NameKey::ShortName, &stored.folded),
                                     std::pair(NameKey::Stem, &stored.foldedStem),
                                     std::pair(NameKey::ShortStem, &stored.foldedStem)}) {
        for (const std::uint32_t entry : index.Fitting(key, *value)) folders.push_back(index.Entries()[entry].folder);
    }
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    return folders;
}

}  // namespace hollin::settings
