#include "settings/TextureSearch.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "utils/OpenBeneath.h"
#include "utils/Utf8Conversion.h"

namespace hollin::settings {

namespace {

using hollin::utils::BeneathOpen;
using hollin::utils::BeneathProblem;
using hollin::utils::BeneathTarget;
using hollin::utils::OpenBeneath;

// A folder with more entries than this is read only this far: a texture
// folder is chosen by the user, but may be a whole picture library.
constexpr std::size_t kMostEntriesAFolder = 1 << 18;

std::string Joined(const std::string& folder, const std::string& name) { return folder.empty() ? name : folder + "/" + name; }

bool Is(const BeneathOpen& opened, bool (*kind)(mode_t)) {
    struct stat status {};
    return opened.problem == BeneathProblem::None && ::fstat(opened.descriptor.Get(), &status) == 0 && kind(status.st_mode);
}

bool IsFolder(mode_t mode) { return S_ISDIR(mode); }
bool IsRegularFile(mode_t mode) { return S_ISREG(mode); }

}  // namespace

TextureSearch::TextureSearch(std::string modelFolder, const std::vector<std::string>& textureFolders,
                             Cancellation cancelled)
    : cancelled_(std::move(cancelled)) {
    folders_.push_back(std::move(modelFolder));
    folders_.insert(folders_.end(), textureFolders.begin(), textureFolders.end());
    for (const std::string& folder : folders_) {
        // The folders themselves are the user's choice, links and all.
        const int descriptor = folder.empty() ? -1 : ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        roots_.push_back({folder, hollin::utils::FileDescriptor(descriptor)});
    }
}

TextureSearch::Listing& TextureSearch::ListingOf(std::size_t root, const std::string& relativeFolder) {
    const auto key = std::make_pair(root, relativeFolder);
    if (const auto known = listings_.find(key); known != listings_.end()) return known->second;
    const BeneathOpen folder = OpenBeneath(roots_[root].descriptor.Get(), relativeFolder, BeneathTarget::Folder);
    Listing listing{FolderIndex(folder.descriptor.Get(), folder.descriptor.IsOpen() ? kMostEntriesAFolder : 0, cancelled_), {}};
    listing.admissions.resize(listing.index.Entries().size());
    return listings_.emplace(key, std::move(listing)).first->second;
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
    const Listing& listing = ListingOf(root, relativeFolder);
    for (const std::uint32_t entry : listing.index.Named(ReadTextureName(name).folded)) {
        names.push_back(listing.index.Entries()[entry].name);
    }
    for (const std::string& candidate : names) {
        const std::string relative = Joined(relativeFolder, candidate);
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
    std::string path = hollin::utils::PathOfDescriptor(opened.descriptor.Get(), Joined(root.folder, candidate.relative));
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
    // A name with folders that are not there is looked for by its file name too.
    std::vector<std::vector<std::string>> paths = {components};
    if (components.size() > 1) paths.push_back({components.back()});

    std::optional<Candidate> unreadable;
    bool missNoted = false;
    const auto note = [&](TextureMiss why, std::vector<std::string> candidates, const std::string& folder) {
        if (missNoted || why == TextureMiss::NotFound) return;
        missNoted = true;
        lookup.miss = why;
        lookup.candidates = std::move(candidates);
        lookup.folder = folder;
    };
    for (std::size_t root = 0; root < roots_.size(); ++root) {
        if (!roots_[root].descriptor.IsOpen()) continue;
        for (const std::vector<std::string>& path : paths) {
            std::string folder;
            bool leadsOutside = false;
            bool reached = true;
            for (std::size_t index = 0; index + 1 < path.size() && reached; ++index) {
                const std::optional<std::string> next = Subfolder(root, folder, path[index], leadsOutside);
                reached = next.has_value();
                if (next) folder = *next;
            }
            if (leadsOutside) note(TextureMiss::LinksOutside, {}, roots_[root].folder);
            if (!reached) continue;
            Listing& listing = ListingOf(root, folder);
            const auto admit = [&](std::uint32_t entry) {
                std::optional<Admission>& known = listing.admissions[entry];
                if (!known) known = Admit(root, Joined(folder, listing.index.Entries()[entry].name));
                return *known;
            };
            FolderMatch match = MatchInFolder(listing.index, path.back(), admit);
            const auto candidate = [&](const EntryMatch& fit) {
                return Candidate{root, Joined(folder, listing.index.Entries()[fit.entry].name), fit.match};
            };
            if (match.found) return Open(candidate(*match.found));
            if (match.unreadable && !unreadable) unreadable = candidate(*match.unreadable);
            note(match.miss, std::move(match.candidates), roots_[root].folder);
        }
    }
    return unreadable ? Open(*unreadable) : std::move(lookup);
}

}  // namespace hollin::settings
