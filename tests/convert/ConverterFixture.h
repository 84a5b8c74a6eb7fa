#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "EntitiesCheck.h"
#include "HostApiSpy.h"
#include "ModelFile.h"
#include "ProcessRunner.h"
#include "SceneBuilder.h"
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

using hollin::samples::MeshData;

// `faceCount` triangles over a strip of points, all naming `material`.
inline MeshData StripMesh(const std::string& name, int faceCount, const std::string& material = {}) {
    MeshData mesh{name, {}, {}};
    for (int point = 0; point < faceCount + 2; ++point) {
        mesh.points.push_back({point / 2.0f, point % 2 * 1.0f, 0.0f});
        const auto first = static_cast<std::uint16_t>(point);
        if (point < faceCount) mesh.faces.push_back({{first, std::uint16_t(first + 1), std::uint16_t(first + 2)}, material});
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

// Builds a scene and runs a fresh converter over it the way the importer
// does, in a private temporary folder; the host's library saves the model it
// builds, which every test reads back checked.
class ConverterTest : public ::testing::Test {
public:
    // `parent` is the number of an earlier node, counted from 0 in call order.
    ConverterTest& AddNode(const std::string& name, int parent = -1, bool camera = false) {
        const Lib3dsNode* parentNode = parent < 0 ? nullptr : nodes_.at(static_cast<std::size_t>(parent));
        nodes_.push_back(camera ? scene.AddCameraNode(name, parentNode) : scene.AddObjectNode(name, parentNode));
        return *this;
    }

protected:
    void SetUp() override { Spy() = {}; }

    std::filesystem::path SaveScene() const {
        EXPECT_TRUE(scene.Save((folder / "scene.3ds").string()));
        return folder / "scene.3ds";
    }
    bool Convert(const std::filesystem::path& input, int units = 1, bool merge = false) {
        converter = std::make_unique<C3DSImporter>();
        hollin::settings::ImportSettings settings;
        settings.units = units;
        settings.mergeCoplanarFaces = merge;
        converter->SetSettings(settings);
        converter->SetProgressMessages(
            {Utf16String("Parsing file..."), Utf16String("Parsing cameras..."), Utf16String("Parsing camera %s..."),
             Utf16String("Parsing materials..."), Utf16String("Parsing material %s..."),
             Utf16String("Parsing nodes..."), Utf16String("Parsing node %s..."), Utf16String("Parsing mesh %s..."),
             Utf16String("Cleaning up..."), Utf16String("Building mesh %s face: %d of %d...")});
        loaded_ = converter->ConvertFile(Utf16String::FromUtf8(input.string()),
                                         Utf16String::FromUtf8(output.string()), &progress);
        return loaded_;
    }
    bool ConvertScene() { return Convert(SaveScene()); }
    // The model the converter saved, as the host reads it back.
    Model Saved() const {
        Model model;
        EXPECT_EQ(korvanta::LoadModelFile(output.string(), model), KV_SUCCESS);
        EXPECT_EQ(korvanta::CheckEntities(model), "");
        return model;
    }
    // The report the importer shows: counts when the file loaded, then errors.
    std::string Report() const {
        ImportErrorList errors = converter->Errors();
        const Utf16String counts = FormatImportSummary(converter->MaterialCount(), converter->NodeCount(),
                                                       converter->MeshCount());
        return ((loaded_ ? counts : Utf16String()) + FormatErrorReport(errors)).ToUtf8();
    }

    hollin::samples::SceneBuilder scene;
    const TemporaryFolder scratch;
    const std::filesystem::path folder = scratch.Path();
    const std::filesystem::path output = folder / "out.kvm";
    RecordingProgress progress;
    std::unique_ptr<C3DSImporter> converter;

private:
    std::vector<Lib3dsNode*> nodes_;
    bool loaded_ = false;
};

}  // namespace hollin::importer::testing
