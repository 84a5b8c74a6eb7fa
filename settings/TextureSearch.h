#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/FolderIndex.h"
#include "settings/FolderMatch.h"
#include "utils/FileDescriptor.h"

namespace hollin::settings {

struct FoundTexture {
    // Open for reading on the regular file found: what the host reads.
    hollin::utils::FileDescriptor file;
    // Where it is, with every link resolved: for messages, never opened again.
    std::string path;
    // Its file name, which the model keeps.
    std::string name;
    std::string folder;  // the searched folder it lies in, as given
    TextureMatch match = TextureMatch::Name;
};

struct TextureLookup {
    std::optional<FoundTexture> found;
    // Why nothing was found.
    TextureMiss miss = TextureMiss::NotFound;
    // For several short names: the file names that would all fit.
    std::vector<std::string> candidates;
    // For any other miss than not found: the folder searched where it happened.
    std::string folder;
    // For an unreadable file: the system's reason (errno).
    int error = 0;
    // For a file not found: the folders searched that were too large to be
    // listed whole (kTextureFolderListing).
    std::vector<std::string> searchedInPart;
};

// How far each of the user's texture folders is listed: the sub-folders 8
// levels down, and 100,000 names in all. The model's own folder is listed
// alone, as far as the same number of names.
inline constexpr ListingBounds kTextureFolderListing{8, 100'000};

// Finds the images a 3DS file names: in the model's folder, then in each of
// the user's texture folders in turn, each followed into its sub-folders as
// the stored name says, and looked up there as MatchInFolder does; then, in
// a texture folder, by the file name alone in the folder and its
// sub-folders, each before its own sub-folders and these in the order of
// their names, the first folder that has a match deciding. Every searched
// folder is opened once, and everything in it is opened beneath its
// descriptor: the kernel refuses a name, link or ".." that leads out, at the
// moment of the open, and the file found is handed out open. A texture
// folder's sub-folders are listed as FolderIndex lists them, never through a
// link; a link to a folder that stays inside is followed only where a
// stored name leads.
// A FIFO, device or socket is never waited on, and is no texture. Each
// folder with its sub-folders is listed once per search, so one search
// should serve one import; a search stops listing when `cancelled` says so,
// and then finds no more.
class TextureSearch {
public:
    // `textureFolderListing`: how far each texture folder is listed; the
    // model's folder is listed alone, as far as as many names.
    TextureSearch(std::string modelFolder, const std::vector<std::string>& textureFolders, Cancellation cancelled = {},
                  ListingBounds textureFolderListing = kTextureFolderListing);
    ~TextureSearch();
    TextureSearch(const TextureSearch&) = delete;
    TextureSearch& operator=(const TextureSearch&) = delete;

    // `storedName` is the name as the 3DS file stores it.
    TextureLookup Find(std::string_view storedName);

    // The folders searched, the model's first.
    const std::vector<std::string>& Folders() const { return folders_; }

private:
    struct Root;
    struct Listed;
    struct Place;
    struct Candidate;

    Place PlaceOf(std::size_t root, const std::string& relativeFolder);
    Admission Admit(std::size_t root, const std::string& relative);
    std::optional<std::string> Subfolder(std::size_t root, const std::string& relativeFolder, const std::string& name,
                                         bool& leadsOutside);
    TextureLookup Open(const Candidate& candidate);

    std::vector<std::string> folders_;
    std::vector<Root> roots_;
    Cancellation cancelled_;
};

}  // namespace hollin::settings
