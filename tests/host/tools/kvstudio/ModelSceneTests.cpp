// What the view draws of a model file, against the same file as a glTF
// library reads it, and the reasons it gives for files that do not hold
// together.

#include <gtest/gtest.h>

#include <tiny_gltf.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "ModelScene.h"
#include "TemporaryFolder.h"

namespace {

using kvstudio::ModelScene;
using kvstudio::ReadModelScene;

constexpr qint64 kImageBytes = qint64{192} << 20;

const std::filesystem::path kCourtyard = KV_MODEL_FILE_CORPUS "/courtyard.kvm";

tinygltf::Model LoadGltf(const std::filesystem::path& file) {
    tinygltf::Model gltf;
    std::string error;
    std::string warning;
    EXPECT_TRUE(tinygltf::TinyGLTF().LoadBinaryFromFile(&gltf, &error, &warning, file.string())) << error;
    return gltf;
}

// The courtyard written anew after `change`, read by the view's reader.
ModelScene ReadChanged(const std::function<void(tinygltf::Model&)>& change) {
    tinygltf::Model gltf = LoadGltf(kCourtyard);
    change(gltf);
    const TemporaryFolder folder;
    const std::filesystem::path changed = folder.Path() / "changed.kvm";
    EXPECT_TRUE(tinygltf::TinyGLTF().WriteGltfSceneToFile(&gltf, changed.string(), true, true, false, true));
    return ReadModelScene(QString::fromStdString(changed.string()), kImageBytes);
}

TEST(ModelScene, ReadsWhatTheLibraryWroteAsAGltfLibraryReadsIt) {
    const tinygltf::Model gltf = LoadGltf(kCourtyard);
    const ModelScene scene = ReadModelScene(QString::fromStdString(kCourtyard.string()), kImageBytes);
    ASSERT_TRUE(scene.whyNotDrawn.isEmpty()) << scene.whyNotDrawn.toStdString();
    ASSERT_EQ(scene.tree.nodes.size(), gltf.nodes.size());
    ASSERT_EQ(scene.meshes.size(), gltf.meshes.size());
    EXPECT_EQ(scene.materials.size(), gltf.materials.size());
    for (std::size_t index = 0; index < gltf.meshes.size(); ++index) {
        const tinygltf::Mesh& expected = gltf.meshes[index];
        const kvstudio::SceneMesh& mesh = scene.meshes[index];
        const tinygltf::Accessor& positions = gltf.accessors.at(expected.primitives.front().attributes.at("POSITION"));
        EXPECT_EQ(mesh.vertices.size() / mesh.Stride(), static_cast<qint64>(positions.count));
        ASSERT_EQ(mesh.parts.size(), expected.primitives.size());
        for (std::size_t part = 0; part < mesh.parts.size(); ++part) {
            EXPECT_EQ(mesh.parts[part].indexCount,
                      static_cast<int>(gltf.accessors.at(expected.primitives[part].indices).count));
            EXPECT_EQ(mesh.parts[part].material, expected.primitives[part].material);
        }
        EXPECT_FLOAT_EQ(mesh.box.low.x(), static_cast<float>(positions.minValues.at(0)));
        EXPECT_FLOAT_EQ(mesh.box.high.z(), static_cast<float>(positions.maxValues.at(2)));
    }
    // The paving's bricks, decoded.
    ASSERT_EQ(scene.textures.size(), gltf.textures.size());
    const tinygltf::Image& bricks = gltf.images.at(gltf.textures.front().source);
    EXPECT_EQ(scene.textures.front().size, QSize(bricks.width, bricks.height));
    EXPECT_EQ(scene.textures.front().rgba.size(), qint64{bricks.width} * bricks.height * 4);
    ASSERT_TRUE(scene.box);
}

TEST(ModelScene, FilesThatDoNotHoldTogetherGiveTheReasonAndNothingToDraw) {
    const QString undrawable = QStringLiteral("its model file holds a scene the view cannot draw");
    // Written anew unchanged, the file draws: each change below is what breaks it.
    EXPECT_EQ(ReadChanged([](tinygltf::Model&) {}).whyNotDrawn, QString());
    const auto firstIndexBytes = [](tinygltf::Model& gltf) -> unsigned char* {
        const tinygltf::Accessor& indices = gltf.accessors.at(gltf.meshes.front().primitives.front().indices);
        const tinygltf::BufferView& view = gltf.bufferViews.at(indices.bufferView);
        return gltf.buffers.at(view.buffer).data.data() + view.byteOffset + indices.byteOffset;
    };
    const std::function<void(tinygltf::Model&)> breaks[] = {
        // An index past the vertices.
        [&](tinygltf::Model& gltf) {
            const tinygltf::Accessor& indices = gltf.accessors.at(gltf.meshes.front().primitives.front().indices);
            const std::uint32_t beyond = 0xFFFF;
            std::memcpy(firstIndexBytes(gltf), &beyond,
                        indices.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT ? 4 : 2);
        },
        // A node below itself.
        [](tinygltf::Model& gltf) { gltf.nodes.front().children.push_back(0); },
        // More indices than their view holds.
        [](tinygltf::Model& gltf) { gltf.accessors.at(gltf.meshes.front().primitives.front().indices).count += 3; },
        // A mesh no node can have.
        [](tinygltf::Model& gltf) { gltf.nodes.front().mesh = static_cast<int>(gltf.meshes.size()); },
    };
    for (const auto& change : breaks) {
        const ModelScene scene = ReadChanged(change);
        EXPECT_EQ(scene.whyNotDrawn, undrawable);
        EXPECT_TRUE(scene.meshes.empty() && scene.tree.nodes.empty());
    }

    const TemporaryFolder folder;
    const std::filesystem::path cut = folder.Path() / "cut.kvm";
    std::filesystem::copy_file(kCourtyard, cut);
    std::filesystem::resize_file(cut, std::filesystem::file_size(kCourtyard) - 100);
    EXPECT_EQ(ReadModelScene(QString::fromStdString(cut.string()), kImageBytes).whyNotDrawn, undrawable);
    EXPECT_TRUE(ReadModelScene(QString::fromStdString((folder.Path() / "missing.kvm").string()), kImageBytes)
                    .whyNotDrawn.startsWith(QStringLiteral("its model file cannot be read: ")));
}

}  // namespace
