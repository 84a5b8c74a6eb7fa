#include "SceneSummary.h"

#include <lib3ds/camera.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "AsAuthoredSummary.h"
#include "TextureReport.h"
#include "scenefile/SceneFile.h"
#include "scenefile/StoredText.h"
#include "utils/Utf8Conversion.h"

namespace kvinfo {
namespace {

using hollin::importer::SceneFileDiagnosis;
using hollin::importer::SceneFileProblem;
using nlohmann::json;

std::string Hex(std::uint16_t id) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", id);
    return text;
}

const char* ProblemName(SceneFileProblem problem) {
    switch (problem) {
        case SceneFileProblem::None: return nullptr;
        case SceneFileProblem::Missing: return "missing";
        case SceneFileProblem::Folder: return "folder";
        case SceneFileProblem::NotAFile: return "not a regular file";
        case SceneFileProblem::Unreadable: return "unreadable";
        case SceneFileProblem::Empty: return "empty";
        case SceneFileProblem::TooLarge: return "4 GiB or larger";
        case SceneFileProblem::NotA3dsFile: return "not a 3DS file";
        case SceneFileProblem::Damaged: return "damaged";
        case SceneFileProblem::TooDeep: return "node tree too deep";
        case SceneFileProblem::NotEnoughMemory: return "not enough memory";
    }
    return "unknown";
}

json Verdict(const SceneFileDiagnosis& diagnosis) {
    json verdict = {{"verdict", diagnosis.problem == SceneFileProblem::None ? "loads" : "refused"},
                    {"problem", nullptr}, {"reason", nullptr}, {"chunk", nullptr}, {"offset", nullptr},
                    {"incomplete", nullptr}};
    if (const char* problem = ProblemName(diagnosis.problem)) verdict["problem"] = problem;
    if (diagnosis.problem == SceneFileProblem::Damaged || diagnosis.problem == SceneFileProblem::TooDeep) {
        verdict["reason"] = hollin::importer::DescribeSceneFileFault(diagnosis.verdict.fault);
        verdict["chunk"] = Hex(diagnosis.verdict.where.id);
        verdict["offset"] = diagnosis.verdict.where.offset;
    }
    if (diagnosis.problem == SceneFileProblem::NotEnoughMemory) {
        verdict["reason"] = "its " + std::to_string(diagnosis.verdict.facesToBuild) + " faces need " +
                            std::to_string(diagnosis.verdict.memoryNeeded) + " bytes of memory, and " +
                            std::to_string(diagnosis.memoryAvailable) + " are available";
    }
    if (diagnosis.problem == SceneFileProblem::None && diagnosis.verdict.overrun) {
        const hollin::importer::ChunkOverrun& overrun = *diagnosis.verdict.overrun;
        verdict["incomplete"] = {{"chunk", Hex(overrun.chunk.id)},
                                 {"offset", overrun.chunk.offset},
                                 {"declaredEnd", overrun.declaredEnd},
                                 {"end", overrun.actualEnd},
                                 {"pastFileEnd", overrun.pastFileEnd}};
    }
    return verdict;
}

std::uint64_t ObjectNodes(const Lib3dsNode* first) {
    std::uint64_t count = 0;
    std::vector<const Lib3dsNode*> pending{first};
    while (!pending.empty()) {
        const Lib3dsNode* node = pending.back();
        pending.pop_back();
        for (; node != nullptr; node = node->next) {
            if (node->type == LIB3DS_OBJECT_NODE) ++count;
            if (node->childs != nullptr) pending.push_back(node->childs);
        }
    }
    return count;
}

template <typename Item>
std::uint64_t Count(const Item* first) {
    std::uint64_t count = 0;
    for (const Item* item = first; item != nullptr; item = item->next) ++count;
    return count;
}

const char* MatchName(hollin::settings::TextureMatch match) {
    switch (match) {
        case hollin::settings::TextureMatch::Name: return "name";
        case hollin::settings::TextureMatch::ShortName: return "8.3 name";
        case hollin::settings::TextureMatch::StandIn: return "stand-in";
    }
    return "unknown";
}

// Each material's texture, where the importer would find it and why it
// would not load it, in kvimport's words, and where the images not found
// probably are.
void DescribeTextures(const Lib3dsFile& scene, const std::filesystem::path& path,
                      const std::vector<std::string>& textureFolders, json& summary) {
    std::vector<std::string> materials, names;
    for (const Lib3dsMaterial* material = scene.materials; material != nullptr; material = material->next) {
        const std::string name = hollin::importer::StoredText(material->texture1_map.name);
        if (name.empty()) continue;
        materials.push_back(hollin::utils::Utf8FromUtf8OrWindows1252(hollin::importer::StoredText(material->name)));
        names.push_back(name);
    }
    const kvhost::TextureFindings findings = kvhost::FindTextures(path, names, textureFolders, {});
    json textures = json::array();
    for (std::size_t index = 0; index < findings.textures.size(); ++index) {
        const kvhost::TextureFinding& finding = findings.textures[index];
        json texture = {{"material", materials[index]},
                        {"name", hollin::utils::Utf8FromUtf8OrWindows1252(finding.storedName)},
                        {"file", nullptr}, {"match", nullptr}, {"problem", nullptr}};
        if (finding.file) {
            texture["file"] = *finding.file;
            texture["match"] = MatchName(finding.match);
        }
        if (!finding.problem.empty()) texture["problem"] = finding.problem;
        if (!finding.candidates.empty()) texture["candidates"] = finding.candidates;
        textures.push_back(std::move(texture));
    }
    summary["textureFolders"] = findings.foldersSearched;
    summary["textures"] = std::move(textures);
    summary["textureFolderHint"] = findings.hint ? json(findings.hint->folder) : json(nullptr);
}

}  // namespace

json SummarizeSceneFile(const std::string& path, const hollin::settings::ImportSettings& settings) {
    const hollin::importer::SceneFileRead read = hollin::importer::ReadSceneFile(path);
    json summary = Verdict(read.diagnosis);
    summary["format"] = "3DS";
    summary["size"] = read.diagnosis.size;
    if (!read.scene) return summary;
    const Lib3dsFile& scene = *read.scene;
    std::uint64_t faces = 0;
    for (const Lib3dsMesh* mesh = scene.meshes; mesh != nullptr; mesh = mesh->next) faces += mesh->faces;
    summary["version"] = scene.mesh_version;
    summary["masterScale"] = scene.master_scale;
    summary["counts"] = {{"materials", Count(scene.materials)}, {"meshes", Count(scene.meshes)},
                         {"faces", faces},
                         {"nodes", ObjectNodes(scene.nodes)},
                         {"cameras", Count(scene.cameras)}};
    DescribeTextures(scene, path, settings.textureFolders, summary);
    summary["asAuthored"] = SummarizeAsAuthored(scene, settings.asAuthored);
    return summary;
}

}  // namespace kvinfo
