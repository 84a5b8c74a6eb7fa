#pragma once

#include <gtest/gtest.h>
#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "HostApiSpy.h"
#include "ModelFile.h"
#include "ProcessRunner.h"
#include "convert/C3DSImporter.h"
#include "utils/IProgressCallback.h"

namespace hollin::importer::testing {

// A percent or a message.
using ProgressEvent = std::variant<double, std::string>;

// Records progress; plays a user who has cancelled before the run (`cancelled`
// set) or who cancels as soon as a message starting with `cancelAfter` is shown.
class RecordingProgress : public hollin::utils::IProgressCallback {
public:
    bool IsCancelled() override { return cancelled; }
    void SetPercent(double percent) override {
        percents.push_back(percent);
        events.emplace_back(percent);
    }
    void AuxiliaryOperation1(double) override {}
    void AuxiliaryOperation2(const char*) override {}
    void SetMessage(const char16_t* text) override {
        messages.push_back(hollin::utils::Utf16String(text).ToUtf8());
        events.emplace_back(messages.back());
        if (!cancelAfter.empty() && messages.back().starts_with(cancelAfter)) cancelled = true;
    }

    std::vector<ProgressEvent> events;
    std::vector<double> percents;
    std::vector<std::string> messages;
    std::string cancelAfter;
    bool cancelled = false;
};

struct Triangle {
    std::array<int, 3> points;
    std::string material;
};

struct MeshData {
    std::string name;
    std::vector<std::array<float, 3>> points;
    std::vector<Triangle> faces;
    std::vector<std::array<float, 2>> texels = {};
    std::array<float, 3> translation = {};
};

// `faceCount` triangles over a strip of points, all naming `material`.
inline MeshData StripMesh(const std::string& name, int faceCount, const std::string& material = {}) {
    MeshData mesh{name, {}, {}};
    for (int point = 0; point < faceCount + 2; ++point) {
        mesh.points.push_back({point / 2.0f, point % 2 * 1.0f, 0.0f});
        if (point < faceCount) mesh.faces.push_back({{point, point + 1, point + 2}, material});
    }
    return mesh;
}

using korvanta::Entities;
using korvanta::Model;

inline std::vector<std::string> DefinitionNames(const Model& model) {
    std::vector<std::string> names;
    for (const auto& definition : model.definitions) names.push_back(definition->name);
    return names;
}

// Merging keeps the triangles of the faces it joins.
inline std::size_t TriangleCount(const Model& model) {
    std::size_t count = 0;
    for (const auto& definition : model.definitions) count += definition->entities.triangles.size();
    return count;
}

inline long CallCount(const std::string& name) { return std::ranges::count(Spy().calls, name); }

// Builds a scene with lib3ds's own writer, which keeps each list sorted by
// name, and runs a fresh converter over it the way the importer does, in a
// private temporary folder; the host's library saves the model it builds.
class ConverterTest : public ::testing::Test {
public:
    ConverterTest& AddMaterial(const std::string& name, std::array<float, 4> diffuse = {0.5f, 0.5f, 0.5f, 1.0f},
                               float transparency = 0.0f, const std::string& texture = {}) {
        Lib3dsMaterial* material = lib3ds_material_new();
        CopyName(material->name, name);
        std::ranges::copy(diffuse, material->diffuse);
        material->transparency = transparency;
        CopyName(material->texture1_map.name, texture);
        lib3ds_file_insert_material(scene, material);
        return *this;
    }
    ConverterTest& AddMesh(const MeshData& data) {
        Lib3dsMesh* mesh = lib3ds_mesh_new(data.name.c_str());
        lib3ds_mesh_new_point_list(mesh, static_cast<Lib3dsDword>(data.points.size()));
        for (std::size_t i = 0; i < data.points.size(); ++i) std::ranges::copy(data.points[i], mesh->pointL[i].pos);
        lib3ds_mesh_new_face_list(mesh, static_cast<Lib3dsDword>(data.faces.size()));
        for (std::size_t i = 0; i < data.faces.size(); ++i) {
            std::ranges::copy(data.faces[i].points, mesh->faceL[i].points);
            CopyName(mesh->faceL[i].material, data.faces[i].material);
        }
        if (!data.texels.empty()) lib3ds_mesh_new_texel_list(mesh, static_cast<Lib3dsDword>(data.texels.size()));
        for (std::size_t i = 0; i < data.texels.size(); ++i) std::ranges::copy(data.texels[i], mesh->texelL[i]);
        std::ranges::copy(data.translation, mesh->matrix[3]);
        lib3ds_file_insert_mesh(scene, mesh);
        return *this;
    }
    // Node ids are handed out in call order from 0; `parent` is such an id.
    ConverterTest& AddNode(const std::string& name, int parent = -1, bool camera = false) {
        Lib3dsNode* node = camera ? lib3ds_node_new_camera() : lib3ds_node_new_object();
        CopyName(node->name, name);
        node->node_id = static_cast<Lib3dsWord>(nextNodeId_++);
        node->parent_id = parent < 0 ? LIB3DS_NO_PARENT : static_cast<Lib3dsWord>(parent);
        lib3ds_file_insert_node(scene, node);
        return *this;
    }

protected:
    void SetUp() override { Spy() = {}; }
    void TearDown() override { lib3ds_file_free(scene); }

    std::filesystem::path SaveScene() const {
        EXPECT_TRUE(lib3ds_file_save(scene, (folder / "scene.3ds").c_str()));
        return folder / "scene.3ds";
    }
    void Touch(const std::string& relative) const { WriteFile(folder / relative, "image"); }
    bool Convert(const std::filesystem::path& input, int units = 1, bool merge = false) {
        converter = std::make_unique<C3DSImporter>();
        converter->SetUnitsOption(units);
        converter->SetMergeOption(merge);
        converter->SetProgressMessages(
            {Utf16String("Parsing file..."), Utf16String("Parsing cameras..."), Utf16String("Parsing camera %s..."),
             Utf16String("Parsing materials..."), Utf16String("Parsing material %s..."),
             Utf16String("Parsing nodes..."), Utf16String("Parsing node %s..."), Utf16String("Parsing mesh %s..."),
             Utf16String("Cleaning up..."), Utf16String("Building mesh %s face: %d of %d...")});
        loaded_ = converter->ConvertFile(Utf16String::FromUtf8(input.string()),
                                         Utf16String::FromUtf8(output.string()), &progress);
        return loaded_;
    }
    bool ConvertScene(int units = 1, bool merge = false) { return Convert(SaveScene(), units, merge); }
    // The model the converter saved, as the host reads it back.
    Model Saved() const {
        Model model;
        EXPECT_EQ(korvanta::LoadModelFile(output.string(), model), KV_SUCCESS);
        return model;
    }
    // The report the importer shows: counts when the file loaded, then errors.
    std::string Report() const {
        ImportErrorList errors = converter->Errors();
        const Utf16String counts = FormatImportSummary(converter->MaterialCount(), converter->NodeCount(),
                                                       converter->MeshCount());
        return ((loaded_ ? counts : Utf16String()) + FormatErrorReport(errors)).ToUtf8();
    }

    Lib3dsFile* scene = lib3ds_file_new();
    const TemporaryFolder scratch;
    const std::filesystem::path folder = scratch.Path();
    const std::filesystem::path output = folder / "out.kvm";
    RecordingProgress progress;
    std::unique_ptr<C3DSImporter> converter;

private:
    template <std::size_t Capacity>
    static void CopyName(char (&target)[Capacity], const std::string& name) {
        ASSERT_LT(name.size(), Capacity) << name;
        std::memcpy(target, name.c_str(), name.size() + 1);
    }

    int nextNodeId_ = 0;
    bool loaded_ = false;
};

}  // namespace hollin::importer::testing
