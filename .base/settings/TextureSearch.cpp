#include "settings/TextureSearch.h"

#include <sys/stat.h>

#include <algorithm>
#include <system_error>
#include <tuple>

#include "utils/Utf8Conversion.h"

namespace hollin::settings {

namespace fs = std::filesystem;

namespace {

// A folder with more entries than this is read only this far: a texture
// folder is chosen by the user, but may be a whole picture library.
constexpr std::size_t kMostEntriesAFolder = 1 << 18;

bool IsInside(const fs::path& real, const fs::path& root) {
    const std::string& rootText = root.native();
    if (rootText == "/") return true;
    const std::string& text = real.native();
    return text.size() > rootText.size() && text.compare(0, rootText.size(), rootText) == 0 &&
           text[rootText.size()] == '/';
}

bool IsNonFolder(const fs::path& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

enum class Admission { Admitted, Missing, Outside };

// Whether `candidate` is a file that may be used from `root`: one that is
// there (a regular file when `regularOnly`), and that lies inside the root
// once every link on the way is followed. `real` receives that path.
Admission Admit(const fs::path& root, const fs::path& candidate, bool regularOnly, fs::path& real) {
    struct stat status {};
    if (::stat(candidate.c_str(), &status) != 0 || S_ISDIR(status.st_mode)) return Admission::Missing;
    if (regularOnly && !S_ISREG(status.st_mode)) return Admission::Missing;
    std::error_code error;
    real = fs::canonical(candidate, error);
    if (error) return Admission::Missing;
    return IsInside(real, root) ? Admission::Admitted : Admission::Outside;
}

}  // namespace

struct TextureSearch::FolderOutcome {
    std::optional<FoundTexture> found;
    // Found by name, but of a format the host does not read: used when no
    // folder has anything better.
    std::optional<FoundTexture> unreadable;
    TextureMiss miss = TextureMiss::NotFound;
    std::vector<std::string> candidates;

    void Note(TextureMiss why, std::vector<std::string> names = {}) {
        if (miss != TextureMiss::NotFound) return;
        miss = why;
        candidates = std::move(names);
    }
};

TextureSearch::TextureSearch(std::string modelFolder, const std::vector<std::string>& textureFolders) {
    folders_.push_back(std::move(modelFolder));
    folders_.insert(folders_.end(), textureFolders.begin(), textureFolders.end());
    for (const std::string& folder : folders_) {
        std::error_code error;
        fs::path real = folder.empty() ? fs::path() : fs::canonical(folder, error);
        if (error || !fs::is_directory(real, error)) real.clear();
        roots_.push_back({folder, std::move(real)});
    }
}

const std::vector<TextureSearch::Entry>& TextureSearch::Entries(const fs::path& folder) {
    const auto known = listings_.find(folder);
    if (known != listings_.end()) return known->second;
    std::vector<Entry> entries;
    std::error_code error;
    for (fs::directory_iterator next(folder, error), end; !error && next != end && entries.size() < kMostEntriesAFolder;
         next.increment(error)) {
        std::string name = next->path().filename().string();
        TextureName read = ReadTextureName(hollin::utils::Utf8FromUtf8OrWindows1252(name));
        entries.push_back({std::move(name), std::move(read)});
    }
    // Among names that differ only in case the smallest wins, whatever order
    // the file system lists them in.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return listings_.emplace(folder, std::move(entries)).first->second;
}

std::optional<fs::path> TextureSearch::Subfolder(const Root& root, const fs::path& folder, const std::string& name,
                                                 bool& leadsOutside) {
    std::error_code error;
    fs::path candidate = folder / name;
    if (!fs::is_directory(candidate, error)) {
        const std::u16string folded = ReadTextureName(name).folded;
        const std::vector<Entry>& entries = Entries(folder);
        const auto match = std::find_if(entries.begin(), entries.end(), [&](const Entry& entry) {
            return entry.read.folded == folded && fs::is_directory(folder / entry.name, error);
        });
        if (match == entries.end()) return std::nullopt;
        candidate = folder / match->name;
    }
    fs::path real = fs::canonical(candidate, error);
    if (error) return std::nullopt;
    if (!IsInside(real, root.real)) {
        leadsOutside = true;
        return std::nullopt;
    }
    return real;
}

TextureSearch::FolderOutcome TextureSearch::FindInFolder(const Root& root, const fs::path& folder,
                                                         const std::string& fileName) {
    FolderOutcome outcome;
    const TextureName stored = ReadTextureName(fileName);
    const std::vector<Entry>& entries = Entries(folder);
    const auto take = [&](TextureMatch match, bool readable, const fs::path& path) {
        FoundTexture texture{path.string(), root.folder, match};
        if (readable) {
            outcome.found = std::move(texture);
        } else if (!outcome.unreadable) {
            outcome.unreadable = std::move(texture);
        }
    };

    // The name as stored, then the smallest name equal to it ignoring case.
    std::optional<std::string> named;
    if (IsNonFolder(folder / fileName)) named = fileName;
    for (auto entry = entries.begin(); !named && entry != entries.end(); ++entry) {
        if (entry->read.folded == stored.folded && IsNonFolder(folder / entry->name)) named = entry->name;
    }
    fs::path real;
    if (named) {
        const Admission admission = Admit(root.real, folder / *named, false, real);
        if (admission == Admission::Outside) outcome.Note(TextureMiss::LinksOutside);
        if (admission == Admission::Admitted) {
            const TextureName found = ReadTextureName(hollin::utils::Utf8FromUtf8OrWindows1252(*named));
            take(TextureMatch::Name, found.imageExtension.has_value(), real);
        }
    }

    // Collects the admitted entries that fit, noting links that lead outside.
    const auto admitted = [&](const auto& fits) {
        std::vector<std::pair<const Entry*, fs::path>> found;
        for (const Entry& entry : entries) {
            if (!fits(entry)) continue;
            const Admission admission = Admit(root.real, folder / entry.name, true, real);
            if (admission == Admission::Outside) outcome.Note(TextureMiss::LinksOutside);
            if (admission == Admission::Admitted) found.emplace_back(&entry, real);
        }
        return found;
    };
    const auto names = [](const std::vector<std::pair<const Entry*, fs::path>>& found) {
        std::vector<std::string> list;
        for (const auto& [entry, path] : found) list.push_back(entry->name);
        return list;
    };

    if (!outcome.found && !outcome.unreadable && stored.isShortName) {
        const auto cut = admitted([&](const Entry& entry) {
            return entry.read.foldedShortName == stored.folded && entry.read.folded != stored.folded;
        });
        if (cut.size() == 1) take(TextureMatch::ShortName, cut[0].first->read.imageExtension.has_value(), cut[0].second);
        if (cut.size() > 1) outcome.Note(TextureMiss::SeveralShortNames, names(cut));
    }
    if (outcome.found) return outcome;

    // A stand-in: the same stem in the most preferred format the host reads,
    // or the one such file whose stem an 8.3 exporter would cut to the stored one.
    auto sameStem = admitted([&](const Entry& entry) {
        return entry.read.imageExtension && entry.read.foldedStem == stored.foldedStem;
    });
    if (!sameStem.empty()) {
        const auto best = std::min_element(sameStem.begin(), sameStem.end(), [](const auto& a, const auto& b) {
            return std::tie(*a.first->read.imageExtension, a.first->name) <
                   std::tie(*b.first->read.imageExtension, b.first->name);
        });
        take(TextureMatch::StandIn, true, best->second);
        return outcome;
    }
    if (stored.foldedShortStem == stored.foldedStem) {
        const auto cut = admitted([&](const Entry& entry) {
            return entry.read.imageExtension && entry.read.foldedShortStem == stored.foldedStem &&
                   entry.read.foldedStem != stored.foldedStem;
        });
        if (cut.size() == 1) take(TextureMatch::StandIn, true, cut[0].second);
        if (cut.size() > 1) outcome.Note(TextureMiss::SeveralShortNames, names(cut));
    }
    return outcome;
}

TextureLookup TextureSearch::Find(std::string_view storedName) {
    const std::vector<std::string> components =
        StoredNameComponents(hollin::utils::Utf8FromUtf8OrWindows1252(storedName));
    TextureLookup lookup;
    if (components.empty()) return lookup;
    // A name with folders that are not there is looked for by its file name too.
    std::vector<std::vector<std::string>> paths = {components};
    if (components.size() > 1) paths.push_back({components.back()});

    std::optional<FoundTexture> unreadable;
    bool missNoted = false;
    const auto note = [&](TextureMiss why, std::vector<std::string> candidates, const std::string& folder) {
        if (missNoted || why == TextureMiss::NotFound) return;
        missNoted = true;
        lookup.miss = why;
        lookup.candidates = std::move(candidates);
        lookup.folder = folder;
    };
    for (const Root& root : roots_) {
        if (root.real.empty()) continue;
        for (const std::vector<std::string>& path : paths) {
            fs::path folder = root.real;
            bool leadsOutside = false;
            bool reached = true;
            for (std::size_t index = 0; index + 1 < path.size() && reached; ++index) {
                const std::optional<fs::path> next = Subfolder(root, folder, path[index], leadsOutside);
                reached = next.has_value();
                if (next) folder = *next;
            }
            if (leadsOutside) note(TextureMiss::LinksOutside, {}, root.folder);
            if (!reached) continue;
            FolderOutcome outcome = FindInFolder(root, folder, path.back());
            if (outcome.found) {
                lookup.found = std::move(outcome.found);
                return lookup;
            }
            if (outcome.unreadable && !unreadable) unreadable = std::move(outcome.unreadable);
            note(outcome.miss, std::move(outcome.candidates), root.folder);
        }
    }
    if (unreadable) {
        lookup = TextureLookup{};
        lookup.found = std::move(unreadable);
    }
    return lookup;
}

}  // namespace hollin::settings
