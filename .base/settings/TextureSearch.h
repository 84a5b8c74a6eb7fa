#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/TextureNames.h"

namespace hollin::settings {

// How the file a texture name led to was matched.
enum class TextureMatch {
    Name,       // by the name as stored, ignoring case
    ShortName,  // a longer name that an 8.3 exporter would have cut to the stored one
    StandIn,    // the same stem with an extension the host reads
};

struct FoundTexture {
    std::string path;  // with every link resolved
    std::string folder;  // the searched folder it lies in, as given
    TextureMatch match = TextureMatch::Name;
};

enum class TextureMiss {
    NotFound,
    SeveralShortNames,  // more than one long name cuts to the stored 8.3 name
    LinksOutside,       // the file is reached through a link that leads out of the folder searched
};

struct TextureLookup {
    std::optional<FoundTexture> found;
    // Why nothing was found.
    TextureMiss miss = TextureMiss::NotFound;
    // For several short names: the file names that would all fit.
    std::vector<std::string> candidates;
    // For a link that leads outside: the folder it leads out of.
    std::string folder;
};

// Finds the images a 3DS file names: in the model's folder, then in each of
// the user's texture folders in turn, each followed into its sub-folders as
// the stored name says. In each folder, the name as stored (ignoring case),
// then the one long name that cuts to a stored 8.3 name, then a stand-in of
// the same stem in a format the host reads when the named file is missing or
// of a format it does not read. A file or folder reached through a link
// counts only when it lies inside the folder searched. Folder listings are
// read once per search, so one search should serve one import.
class TextureSearch {
public:
    TextureSearch(std::string modelFolder, const std::vector<std::string>& textureFolders);

    // `storedName` is the name as the 3DS file stores it.
    TextureLookup Find(std::string_view storedName);

    // The folders searched, the model's first.
    const std::vector<std::string>& Folders() const { return folders_; }

private:
    struct Entry {
        std::string name;
        TextureName read;
    };
    struct Root {
        std::string folder;
        std::filesystem::path real;  // empty when the folder cannot be searched
    };
    struct FolderOutcome;

    const std::vector<Entry>& Entries(const std::filesystem::path& folder);
    FolderOutcome FindInFolder(const Root& root, const std::filesystem::path& folder, const std::string& fileName);
    std::optional<std::filesystem::path> Subfolder(const Root& root, const std::filesystem::path& folder,
                                                   const std::string& name, bool& leadsOutside);

    std::vector<std::string> folders_;
    std::vector<Root> roots_;
    std::map<std::filesystem::path, std::vector<Entry>> listings_;
};

}  // namespace hollin::settings
