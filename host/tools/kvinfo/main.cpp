#include <cstdint>
#include <cstring>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "HostText.h"
#include "HostVersion.h"
#include "Preferences.h"
#include "JsonFileReasons.h"
#include "KorvantaAPI.h"
#include "ModelSummary.h"
#include "SceneSummary.h"
#include "TerminalText.h"
#include "TextureFolders.h"
#include "scenefile/SceneFile.h"
#include "settings/ImportSettings.h"
#include "utils/WholeFile.h"

namespace {

constexpr const char* kUsage =
    "usage: kvinfo [--texture-folder DIR]... [--as-authored] FILE.kvm|FILE.3ds\n       kvinfo --help\n"
    "       kvinfo --version\n";

constexpr const char* kHelp = R"(usage: kvinfo [--texture-folder DIR]... [--as-authored] FILE.kvm|FILE.3ds

Prints a Korvanta model file, or a 3DS file, as one JSON object. The two are
told apart by their content, not by their names.

A Korvanta model file: lengths are in inches, in the model's own axes (z up).

  materials[]           every material of the model, in order:
    name                its name
    color               [red, green, blue, alpha], bytes 0-255
    opacity             0 (clear) to 1 (opaque)
    texture             [width, height] of its texture image in pixels, or null
  definitions[]         every component definition, in order:
    name                its name
    vertices            number of vertices
    faces               number of faces
    edges               number of edges (each shared edge once)
    triangles           number of triangles the faces tessellate into
    facesPerMaterial    faces per front material name ("" for no material)
    texturedFaces       faces with texture coordinates
    skippedFaces        faces left out when the geometry was filled in
    smoothEdges         edges drawn smooth: the faces on either side share
                        their normals along it
    instances           instances placed inside this definition
    bbox                [[minx, miny, minz], [maxx, maxy, maxz]] around its
                        faces and the boxes of the instances inside, in the
                        definition's own coordinates, or null when empty
  topLevel              the model's own faces and instances, with the same
                        fields as a definition (no name)
  instances[]           the instances at the top level of the model:
    definition          name of the definition it places
    transform           its 16 matrix values, column by column (translation
                        in values 13 to 15)
  totals                sums over all definitions and the top level:
    materials, definitions, instances, faces, edges, vertices, triangles,
    skippedFaces, smoothEdges
  normals               whether the file gives viewers vertex normals, as
                        it does when an edge is smooth; without them viewers
                        draw every face flat
  bbox                  the world bounding box of everything drawn, as
                        [[minx, miny, minz], [maxx, maxy, maxz]], or null for
                        a model with no faces: the faces of the definitions
                        placed at the top level with the instance's transform
                        applied, and the boxes of anything nested deeper

A 3DS file, described without converting it:
  format                "3DS"
  size                  the file's size in bytes
  verdict               "loads" when the importer can read it, else "refused"
  problem               why not: "missing", "folder", "empty", "not a 3DS
                        file", "damaged", "node tree too deep", "too many
                        faces", ...; null when it loads
  reason, chunk, offset for a damaged file: what is wrong, in words, and the
                        id and byte offset of the chunk it was found in
  incomplete            for a file that loads although a chunk runs past its
                        parent or the end of the file (a download cut short):
                        {chunk, offset, declaredEnd, end, pastFileEnd}; null
                        otherwise
  version, masterScale  as the file gives them
  counts                materials, meshes, faces (over all meshes), nodes
                        (object nodes) and cameras
  textureFolders        the folders its textures are looked for in: its own,
                        then each --texture-folder DIR (or, without one, the
                        folders kept in the preference store; see kvprefs)
  textures[]            each material's texture: material, name (as stored),
                        file (the image it is found as, or null), match (how:
                        "name", "8.3 name" or "stand-in", an image of the
                        same name in a format the host reads), problem (why
                        none: "not found", "several 8.3 names" with the
                        candidates, "links outside" a searched folder, "not
                        a regular file" for a FIFO, device or socket, which
                        is never waited on, or "unreadable")
  textureFolderHint     a folder beside the file's that holds images not
                        found, to give with --texture-folder (with every
                        link resolved); or null
  asAuthored            what importing it as authored makes of it:
    on                  whether the import does (--as-authored, or else the
                        choice kept in the preference store; see kvprefs)
    facesInSmoothingGroups  faces in a smoothing group other than 0
    smoothSides         sides drawn smooth, each pair of vertex numbers once:
                        a side that two faces have (the same two vertex
                        numbers) whose smoothing groups share a bit
    tiledMaps[]         materials whose texture map is tiled, offset, turned
                        or mirrored: material, scale [u, v] (a negative one
                        mirrors), offset [u, v] and rotation in degrees
The fields after incomplete are there only for a file that loads.

Exit status: 0 when the file was read (for a 3DS file, also when it was
refused: the verdict says so), 1 when it could not be (the reason is on
standard error), 2 for a usage error.
)";

// Why a file's first bytes could not be read, in the user's language.
std::string WhyUnreadable(const hollin::utils::FileReadError& error) {
    switch (error.problem) {
        case hollin::utils::FileProblem::Missing: return kvhost::Translated("there is no such file");
        case hollin::utils::FileProblem::NotARegularFile: return kvhost::Translated("it is not a regular file");
        default: return kvhost::Compose("it cannot be read: %s", {error.reason});
    }
}

int Describe(const char* path, const hollin::settings::GivenImportSettings& given) {
    hollin::utils::FileReadError error;
    const std::optional<std::vector<std::uint8_t>> start = hollin::utils::ReadFileStart(path, 2, &error);
    if (!start) {
        std::cerr << "kvinfo: " << kvhost::PrintableText(std::string(path) + ": " + WhyUnreadable(error)) << "\n";
        return 1;
    }
    // Anything that does not start like a 3DS file is taken for a model file.
    if (start->size() == 2 && hollin::importer::StartsLikeA3dsFile(*start)) {
        hollin::settings::ImportSettings settings;
        try {
            settings = hollin::settings::ResolveImportSettings(hollin::prefs::Get(), given);
        } catch (const std::exception& exception) {
            std::cerr << "kvinfo: " << kvhost::PrintableText(kvhost::WhatWentWrong(exception)) << "\n";
            return 1;
        }
        if (settings.textureFoldersDropped != 0) {
            std::cerr << "kvinfo: " << kvhost::DroppedFoldersNote(settings.textureFoldersDropped) << "\n";
        }
        std::cout << kvhost::PrintableJson(kvinfo::SummarizeSceneFile(path, settings), 2) << "\n";
        return std::cout.flush() ? 0 : 1;
    }
    if (KVInitialize() != KV_SUCCESS) {
        std::cerr << "kvinfo: " << kvhost::Translated("the modelling library could not start") << "\n";
        return 1;
    }
    KVModelRef model{nullptr};
    KVModelFileVerdict verdict{};
    if (KVModelCreateFromFile(&model, path, &verdict) != KV_SUCCESS) {
        std::cerr << "kvinfo: " << kvhost::PrintableText(std::string(path) + ": " + kvhost::WhyModelFileNotRead(verdict)) << "\n";
        KVTerminate();
        return 1;
    }
    std::cout << kvhost::PrintableJson(kvinfo::SummarizeModel(model), 2) << "\n";
    KVModelRelease(&model);
    KVTerminate();
    return std::cout.flush() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    kvhost::UseTheUsersLanguage();
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << kHelp;
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << kvhost::HostVersionLine("kvinfo") << "\n";
        return 0;
    }
    hollin::settings::GivenImportSettings given;
    int next = 1;
    while (next + 1 < argc) {
        if (std::strcmp(argv[next], "--as-authored") == 0) {
            given.asAuthored = true;
            ++next;
        } else if (next + 2 < argc && std::strcmp(argv[next], "--texture-folder") == 0) {
            if (!given.textureFolders) given.textureFolders.emplace();
            given.textureFolders->push_back(kvhost::AbsoluteFolder(argv[next + 1]));
            next += 2;
        } else {
            break;
        }
    }
    if (next + 1 != argc || (argv[next][0] == '-' && argv[next][1] != '\0')) {
        std::cerr << kUsage;
        return 2;
    }
    return Describe(argv[next], given);
}
