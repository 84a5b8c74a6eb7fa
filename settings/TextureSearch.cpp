#include "settings/TextureSearch.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <map>

#include "utils/OpenBeneath.h"
#include "utils/Utf8Conversion.h"

namespace hollin::settings {

namespace {

using hollin::utils::BeneathOpen;
using hollin::utils::BeneathProblem;
using hollin::utils::BeneathTarget;
using hollin::utils::OpenBeneath;

bool Is(const BeneathOpen& opened, bool (*kind)(mode_t)) {
    struct stat status {};
    return opened.problem == BeneathProblem::None && ::fstat(opened.descriptor.Get(), &status) == 0 && kind(status.st_mode);
}

bool IsFolder(mode_t mode) { return S_ISDIR(mode); }
bool IsRegularFile(mode_t mode) { return S_ISREG(mode); }

}  // namespace

struct TextureSearch::Listed {
    Listed(int folder, ListingBounds bounds, const Cancellation& cancelled)
        : index(folder, bounds, cancelled), admissions(index.Entries().size()) {}

    FolderIndex index;
    std::vector<std::optional<Admission>> admissions;  // by entry, once asked
};

struct TextureSearch::Root {
    std::string folder;
    hollin::utils::FileDescriptor descriptor;  // not open when the folder cannot be searched
    ListingBounds bounds;
    std::optional<Listed> tree;  // the folder and its sub-folders within `bounds`, once asked
    // Folders a stored name leads to that the tree does not hold: through a
    // link that stays inside, or below its deepest level.
    std::map<std::string, Listed> beyond;
};

// One folder of a listing, and its path beneath its root.
struct TextureSearch::Place {
    Listed* listed = nullptr;
    std::uint32_t folder = 0;
    std::string path;
};

// A file that fits, by its path beneath its root.
struct TextureSearch::Candidate {
    std::size_t root = 0;
    std::string relative;
    TextureMatch match = TextureMatch::Name;
};

TextureSearch::TextureSearch(std::string modelFolder, const std::vector<std::string>& textureFolders,
                             Cancellation cancelled, ListingBounds textureFolderListing)
    : cancelled_(std::move(cancelled)) {
    folders_.push_back(std::move(modelFolder));
    folders_.insert(folders_.end(), textureFolders.begin(), textureFolders.end());
    roots_.reserve(folders_.size());
    for (const std::string& folder : folders_) {
        // The folders themselves are the user's choice, links and all.
        const int descriptor = folder.empty() ? -1 : ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const bool model = roots_.empty();
        roots_.push_back({folder, hollin::utils::FileDescriptor(descriptor),
                          model ? ListingBounds{0, textureFolderListing.names} : textureFolderListing, std::nullopt, {}});
    }
}

TextureSearch::~TextureSearch() = default;

TextureSearch::Place TextureSearch::PlaceOf(std::size_t root, const std::string& relativeFolder) {
    Root& searched = roots_[root];
    if (!searched.tree) searched.tree.emplace(searched.descriptor.Get(), searched.bounds, cancelled_);
    if (const std::optional<std::uint32_t> folder = searched.tree->index.FolderAt(relativeFolder)) {
        return {&*searched.tree, *folder, relativeFolder};
    }
    auto known = searched.beyond.find(relativeFolder);
    if (known == searched.beyond.end()) {
        const BeneathOpen folder = OpenBeneath(searched.descriptor.Get(), relativeFolder, BeneathTarget::Folder);
        known = searched.beyond
                    .try_emplace(relativeFolder, folder.descriptor.Get(), ListingBounds{0, searched.bounds.names}, cancelled_)
                    .first;
    }
    return {&known->second, 0, relativeFolder};
}

Admission TextureSearch::Admit(std::size_t root, const std::string& relative) {
    const BeneathOpen probe = OpenBeneath(roots_[root].descriptor.Get(), relative, BeneathTarget::Probe);
    switch (probe.problem) {
        case BeneathProblem::None: break;
        case BeneathProblem::LeadsOutside: return Admission::LinksOutside;
        case BeneathProblem::Missing:
        case BeneathProblem::Failed: return Admission::Passed;
    }
    if (Is(probe, IsRegularFile)) return Admission::Taken;
    return Is(probe, IsFolder) ? Admission::Passed : Admission::NotARegularFile;
}

std::optional<std::string> TextureSearch::Subfolder(std::size_t root, const std::string& relativeFolder,
                                                    const std::string& name, bool& leadsOutside) {
    // The name as stored, then the smallest folder of a name equal to it ignoring case.
    std::vector<std::string> names = {name};
    const Place place = PlaceOf(root, relativeFolder);
    const FolderIndex& index = place.listed->index;
    for (const std::uint32_t entry : index.Fitting(NameKey::Name, ReadTextureName(name).folded, place.folder)) {
        names.push_back(index.Entries()[entry].name);
    }
    for (const std::string& candidate : names) {
        const std::string relative = JoinedPath(relativeFolder, candidate);
        const BeneathOpen probe = OpenBeneath(roots_[root].descriptor.Get(), relative, BeneathTarget::Probe);
        if (probe.problem == BeneathProblem::LeadsOutside) {
            leadsOutside = true;
            return std::nullopt;
        }
        if (Is(probe, IsFolder)) return relative;
    }
    return std::nullopt;
}

TextureLookup TextureSearch::Open(const Candidate& candidate) {
    const Root& root = roots_[candidate.root];
    TextureLookup lookup;
    lookup.folder = root.folder;
    BeneathOpen opened = OpenBeneath(root.descriptor.Get(), candidate.relative, BeneathTarget::File);
    switch (opened.problem) {
        case BeneathProblem::None:
            if (Is(opened, IsRegularFile)) break;
            lookup.miss = TextureMiss::NotARegularFile;
            return lookup;
        case BeneathProblem::Missing: return lookup;
        case BeneathProblem::LeadsOutside: lookup.miss = TextureMiss::LinksOutside; return lookup;
        case BeneathProblem::Failed:
            lookup.miss = TextureMiss::Unreadable;
            lookup.error = opened.error;
            return lookup;
    }
    std::string path = hollin::utils::PathOfDescriptor(opened.descriptor.Get(), JoinedPath(root.folder, candidate.relative));
    std::string name = path.substr(path.rfind('/') + 1);
    lookup.found = FoundTexture{std::move(opened.descriptor), std::move(path), std::move(name), root.folder, candidate.match};
    lookup.folder.clear();
    return lookup;
}

TextureLookup TextureSearch::Find(std::string_view storedName) {
    const std::vector<std::string> components =
        StoredNameComponents(hollin::utils::Utf8FromUtf8OrWindows1252(storedName));
    TextureLookup lookup;
    if (components.empty()) return lookup;
    const std::string& fileName = components.back();

    std::optional<Candidate> unreadable;
    bool missNoted = false;
    const auto note = [&](TextureMiss why, std::vector<std::string> candidates, const std::string& folder) {
        if (missNoted || why == TextureMiss::NotFound) return;
        missNoted = true;
        lookup.miss = why;
        lookup.candidates = std::move(candidates);
        lookup.folder = folder;
    };
    // The file that fits in one folder, if any.
    const auto matchIn = [&](std::size_t root, const Place& place) -> std::optional<Candidate> {
        Listed& listed = *place.listed;
        const auto admit = [&](std::uint32_t entry) {
            std::optional<Admission>& known = listed.admissions[entry];
            if (!known) known = Admit(root, JoinedPath(place.path, listed.index.Entries()[entry].name));
            return *known;
        };
        FolderMatch match = MatchInFolder(listed.index, place.folder, fileName, admit);
        const auto candidate = [&](const EntryMatch& fit) {
            return Candidate{root, JoinedPath(place.path, listed.index.Entries()[fit.entry].name), fit.match};
        };
        if (match.found) return candidate(*match.found);
        if (match.unreadable && !unreadable) unreadable = candidate(*match.unreadable);
        note(match.miss, std::move(match.candidates), roots_[root].folder);
        return std::nullopt;
    };
    for (std::size_t root = 0; root < roots_.size(); ++root) {
        if (!roots_[root].descriptor.IsOpen()) continue;
        // The folders the stored name gives, when they are there.
        std::string folder;
        bool leadsOutside = false;
        bool reached = components.size() > 1;
        for (std::size_t index = 0; index + 1 < components.size() && reached; ++index) {
            const std::optional<std::string> next = Subfolder(root, folder, components[index], leadsOutside);
            reached = next.has_value();
            if (next) folder = *next;
        }
        if (leadsOutside) note(TextureMiss::LinksOutside, {}, roots_[root].folder);
        if (reached) {
            if (const std::optional<Candidate> found = matchIn(root, PlaceOf(root, folder))) return Open(*found);
        }
        // The file name alone, in the folder and then in its sub-folders.
        const Place top = PlaceOf(root, "");
        for (const std::uint32_t inside : FoldersToMatchIn(top.listed->index, fileName)) {
            const Place place{top.listed, inside, top.listed->index.Folders()[inside]};
            if (const std::optional<Candidate> found = matchIn(root, place)) return Open(*found);
        }
    }
    if (unreadable) return Open(*unreadable);
    for (const Root& root : roots_) {
        bool cutShort = root.tree && root.tree->index.CutShort();
        for (const auto& [path, listed] : root.beyond) cutShort = cutShort || listed.index.CutShort();
        if (cutShort) lookup.searchedInPart.push_back(root.folder);
    }
    return lookup;
}

}  // namespace hollin::settings
