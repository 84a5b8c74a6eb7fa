#include "settings/TextureFolderHint.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <system_error>
#include <utility>

#include "settings/FolderMatch.h"
#include "utils/FileDescriptor.h"
#include "utils/OpenBeneath.h"
#include "utils/Utf8Conversion.h"

namespace hollin::settings {

namespace fs = std::filesystem;

namespace {

using hollin::utils::FileDescriptor;

// Beside a model in a big folder (Downloads, say) only this many neighbours
// are looked at, and only this many names of each are read: a game's
// texture folder holds hundreds of images, and reading the whole of 65 large
// folders would delay every import report by seconds.
constexpr std::size_t kMostNeighbours = 64;
constexpr std::size_t kMostEntriesRead = 1 << 14;

using Identity = std::pair<dev_t, ino_t>;

std::optional<Identity> IdentityOf(int descriptor) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) return std::nullopt;
    return Identity{status.st_dev, status.st_ino};
}

std::optional<Identity> IdentityOf(const std::string& path) {
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0) return std::nullopt;
    return Identity{status.st_dev, status.st_ino};
}

std::string HomeInPasswd() {
    std::string buffer(1 << 14, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
        found->pw_dir == nullptr) {
        return {};
    }
    return found->pw_dir;
}

// The folders never proposed: those searched already, and the home folder,
// as the environment and the user database give it, with every folder above.
std::set<Identity> FoldersNotToPropose(const std::vector<std::string>& foldersSearched) {
    std::set<Identity> folders;
    for (const std::string& folder : foldersSearched) {
        if (const auto identity = IdentityOf(folder)) folders.insert(*identity);
    }
    const char* environment = std::getenv("HOME");
    for (const std::string& home : {std::string(environment != nullptr ? environment : ""), HomeInPasswd()}) {
        std::error_code error;
        fs::path folder = home.empty() ? fs::path() : fs::canonical(home, error);
        if (error) folder = fs::path(home).lexically_normal();
        for (; !folder.empty(); folder = folder.parent_path()) {
            if (const auto identity = IdentityOf(folder.string())) folders.insert(*identity);
            if (folder == folder.root_path()) break;
        }
    }
    return folders;
}

// How many of `fileNames` the folder holds as regular files (not links) of
// image formats the host reads.
std::size_t ImagesHeld(int folder, const std::vector<std::string>& fileNames, const Cancellation& cancelled) {
    const FolderIndex index(folder, {0, kMostEntriesRead}, cancelled);
    const auto isImage = [&index](std::uint32_t entry) {
        const FolderEntry& listed = index.Entries()[entry];
        return listed.kind == EntryKind::File && listed.read.imageExtension ? Admission::Taken : Admission::Passed;
    };
    std::size_t held = 0;
    for (const std::string& name : fileNames) {
        if (MatchInFolder(index, 0, name, isImage).found) ++held;
    }
    return held;
}

}  // namespace

std::optional<TextureFolderHint> FindTextureFolderHint(const std::string& modelFolder,
                                                       const std::vector<std::string>& namesNotFound,
                                                       const std::vector<std::string>& foldersSearched,
                                                       const Cancellation& cancelled) {
    if (namesNotFound.empty() || modelFolder.empty()) return std::nullopt;
    const FileDescriptor model(::open(modelFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!model.IsOpen()) return std::nullopt;
    std::error_code error;
    const fs::path absolute = fs::absolute(modelFolder, error).lexically_normal();
    const fs::path real = hollin::utils::PathOfDescriptor(model.Get(), error ? modelFolder : absolute.string());
    const fs::path parentPath = real.parent_path();
    if (parentPath.empty() || parentPath == real) return std::nullopt;
    FileDescriptor parent(::open(parentPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent.IsOpen()) return std::nullopt;

    std::vector<std::string> fileNames;
    for (const std::string& name : namesNotFound) {
        const std::vector<std::string> components = StoredNameComponents(hollin::utils::Utf8FromUtf8OrWindows1252(name));
        if (!components.empty()) fileNames.push_back(components.back());
    }

    // The folder above, then the folders beside the model's, by name: each
    // opened beneath the folder above without following any link.
    std::vector<std::pair<FileDescriptor, std::string>> neighbours;
    neighbours.emplace_back(std::move(parent), parentPath.string());
    const int above = neighbours.front().first.Get();
    const FolderIndex beside(above, {0, kMostEntriesRead}, cancelled);
    for (const FolderEntry& entry : beside.Entries()) {
        if (neighbours.size() > kMostNeighbours) break;
        if (entry.kind != EntryKind::Folder || entry.name.starts_with('.')) continue;
        hollin::utils::BeneathOpen opened = hollin::utils::OpenBeneath(above, entry.name, hollin::utils::BeneathTarget::Folder,
                                                                       hollin::utils::BeneathLinks::Refused);
        if (opened.descriptor.IsOpen()) neighbours.emplace_back(std::move(opened.descriptor), (parentPath / entry.name).string());
    }

    const std::set<Identity> notToPropose = FoldersNotToPropose(foldersSearched);
    std::optional<TextureFolderHint> best;
    for (const auto& [folder, path] : neighbours) {
        if (cancelled && cancelled()) return std::nullopt;
        const std::optional<Identity> identity = IdentityOf(folder.Get());
        if (!identity || notToPropose.contains(*identity)) continue;
        const std::size_t held = ImagesHeld(folder.Get(), fileNames, cancelled);
        if (held > 0 && (!best || held > best->names)) {
            best = TextureFolderHint{hollin::utils::PathOfDescriptor(folder.Get(), path), held};
        }
    }
    return best;
}

}  // namespace hollin::settings
