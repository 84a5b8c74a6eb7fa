#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "settings/FolderIndex.h"
#include "settings/TextureNames.h"

namespace hollin::settings {

// How the file a texture name led to was matched.
enum class TextureMatch {
    Name,       // by the name as stored, ignoring case
    ShortName,  // a longer name that an 8.3 exporter would have cut to the stored one
    StandIn,    // the same stem with an extension the host reads
};

enum class TextureMiss {
    NotFound,
    SeveralShortNames,  // more than one long name cuts to the stored 8.3 name
    LinksOutside,       // the file is reached through a link that leads out of the folder searched
    NotARegularFile,    // a FIFO, a device or a socket of that name: never waited on
    Unreadable,         // the system would not open it
};

// Whether an entry that fits a name may be taken.
enum class Admission {
    Taken,
    Passed,  // nothing to take: a folder, or gone
    LinksOutside,
    NotARegularFile,
};

struct EntryMatch {
    std::uint32_t entry = 0;  // its place in the folder's entries
    TextureMatch match = TextureMatch::Name;
};

struct FolderMatch {
    std::optional<EntryMatch> found;
    // Found by name, but of a format the host does not read: used when no
    // folder has anything better.
    std::optional<EntryMatch> unreadable;
    // Why nothing was found, and for several short names the names that fit.
    TextureMiss miss = TextureMiss::NotFound;
    std::vector<std::string> candidates;
};

// Looks one stored file name up in one folder of `index`: the name as stored, then the
// smallest name equal to it ignoring case; then the one long name that cuts
// to a stored 8.3 name; then, when no image the host reads was found, a
// stand-in of the same stem in the most preferred format it reads, or the
// one such file whose stem an 8.3 exporter would cut to the stored one.
// `admit` says whether an entry that fits may be taken; it is asked only
// about entries that fit.
FolderMatch MatchInFolder(const FolderIndex& index, std::uint32_t folder, const std::string& storedName,
                          const std::function<Admission(std::uint32_t entry)>& admit);

// The folders of `index` in which MatchInFolder may find something for
// `storedName`, in the order of their places.
std::vector<std::uint32_t> FoldersToMatchIn(const FolderIndex& index, const std::string& storedName);

}  // namespace hollin::settings
