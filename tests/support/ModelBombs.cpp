#include "ModelBombs.h"

#include <png.h>

#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "GlbChunks.h"
#include "KorvantaAPI.h"

namespace hollin::samples {
namespace {

KVTransformation Translation(double x, double y, double z) {
    return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}};
}

// The library between KVInitialize and KVTerminate, with one model.
class ModelSession {
public:
    ModelSession()
        : started_(KVInitialize() == KV_SUCCESS && KVModelCreate(&model_) == KV_SUCCESS &&
                   KVModelGetEntities(model_, &topLevel_) == KV_SUCCESS) {}
    ~ModelSession() {
        if (KV_IS_VALID(model_)) KVModelRelease(&model_);
        KVTerminate();
    }
    ModelSession(const ModelSession&) = delete;
    ModelSession& operator=(const ModelSession&) = delete;

    KVEntitiesRef TopLevel() const { return topLevel_; }

    KVComponentDefinitionRef AddDefinition(const std::string& name, KVEntitiesRef& entities) {
        KVComponentDefinitionRef definition{};
        ok_ = ok_ && KVComponentDefinitionCreate(&definition) == KV_SUCCESS &&
              KVComponentDefinitionSetName(definition, name.c_str()) == KV_SUCCESS &&
              KVModelAddComponentDefinitions(model_, 1, &definition) == KV_SUCCESS &&
              KVComponentDefinitionGetEntities(definition, &entities) == KV_SUCCESS;
        return definition;
    }

    void Place(KVComponentDefinitionRef definition, const KVTransformation& transform, KVEntitiesRef into) {
        KVComponentInstanceRef instance{};
        ok_ = ok_ && KVComponentDefinitionCreateInstance(definition, &instance) == KV_SUCCESS &&
              KVComponentInstanceSetTransform(instance, &transform) == KV_SUCCESS &&
              KVEntitiesAddInstance(into, instance, nullptr) == KV_SUCCESS;
    }

    // Faces of `corners` (indices into `points`), all of `material` with
    // texture coordinates from x and y when it is given.
    void Fill(KVEntitiesRef entities, const std::vector<KVPoint3D>& points,
              const std::vector<std::array<std::size_t, 4>>& quads, KVMaterialRef material = {}) {
        KVGeometryInputRef input{};
        ok_ = ok_ && KVGeometryInputCreate(&input) == KV_SUCCESS;
        for (const KVPoint3D& point : points) ok_ = ok_ && KVGeometryInputAddVertex(input, &point) == KV_SUCCESS;
        for (const auto& quad : quads) {
            KVLoopInputRef loop{};
            std::size_t face = 0;
            ok_ = ok_ && KVLoopInputCreate(&loop) == KV_SUCCESS;
            for (const std::size_t corner : quad) ok_ = ok_ && KVLoopInputAddVertexIndex(loop, corner) == KV_SUCCESS;
            ok_ = ok_ && KVGeometryInputAddFace(input, &loop, &face) == KV_SUCCESS;
            if (!KV_IS_VALID(material)) continue;
            KVMaterialInput record{};
            record.material = material;
            record.num_uv_coords = 4;
            for (std::size_t i = 0; i < 4; ++i) {
                record.vertex_indices[i] = quad[i];
                record.uv_coords[i][0] = points[quad[i]].x;
                record.uv_coords[i][1] = points[quad[i]].y;
            }
            ok_ = ok_ && KVGeometryInputFaceSetFrontMaterial(input, face, &record) == KV_SUCCESS;
        }
        ok_ = ok_ && KVEntitiesFill(entities, input, true) == KV_SUCCESS;
        KVGeometryInputRelease(&input);
    }

    void AddBox(KVEntitiesRef entities) {
        std::vector<KVPoint3D> points;
        for (int corner = 0; corner < 8; ++corner) points.push_back({double(corner & 1), double(corner >> 1 & 1), double(corner >> 2)});
        Fill(entities, points, {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}});
    }

    KVMaterialRef AddTexturedMaterial(const std::string& name, const std::filesystem::path& image) {
        KVMaterialRef material{};
        KVTextureRef texture{};
        ok_ = ok_ && KVMaterialCreate(&material) == KV_SUCCESS && KVMaterialSetName(material, name.c_str()) == KV_SUCCESS &&
              KVTextureCreateFromFile(&texture, image.c_str(), 1.0, 1.0) == KV_SUCCESS &&
              KVMaterialSetTexture(material, texture) == KV_SUCCESS && KVModelAddMaterials(model_, 1, &material) == KV_SUCCESS;
        return material;
    }

    bool Save(const std::filesystem::path& path) const {
        return started_ && ok_ && KVModelSaveToFile(model_, path.c_str()) == KV_SUCCESS;
    }

private:
    KVModelRef model_{};
    KVEntitiesRef topLevel_{};
    bool started_;
    bool ok_ = true;
};

// An image of one colour, row by row, at zlib's best compression.
bool WriteOneColourPng(const std::filesystem::path& path, int side, std::array<std::uint8_t, 3> colour) {
    const std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file.get());
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, static_cast<png_uint_32>(side), static_cast<png_uint_32>(side), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(side) * 3);
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = colour[i % 3];
    for (int y = 0; y < side; ++y) png_write_row(png, row.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// Takes the node tree out of a model file the library wrote, as a file made
// to harm would leave it out: the model's structure alone says what a
// viewer of it draws, however few bytes it takes.
bool DropNodeTree(const std::filesystem::path& path) {
    GlbChunks chunks = ReadGlbChunks(path);
    chunks.document.erase("nodes");
    chunks.document["scenes"] = nlohmann::json::array({nlohmann::json::object()});
    return WriteGlbChunks(chunks, path);
}

}  // namespace

bool WriteDoublingModel(const std::filesystem::path& path, int levels, int copies) {
    ModelSession session;
    KVEntitiesRef entities{};
    KVComponentDefinitionRef below = session.AddDefinition("Level00", entities);
    session.AddBox(entities);
    double width = 1.5;
    for (int level = 1; level < levels; ++level) {
        char name[16];
        std::snprintf(name, sizeof name, "Level%02d", level);
        const KVComponentDefinitionRef definition = session.AddDefinition(name, entities);
        // Side by side, alternately along x and y, so that the whole stays compact.
        for (int copy = 0; copy < copies; ++copy) {
            session.Place(below, level % 2 != 0 ? Translation(copy * width, 0, 0) : Translation(0, copy * width, 0), entities);
        }
        if (level % 2 == 0) width *= copies;
        below = definition;
    }
    session.Place(below, Translation(0, 0, 0), session.TopLevel());
    return session.Save(path) && DropNodeTree(path);
}

bool WriteImageModel(const std::filesystem::path& path, int images, int side) {
    ModelSession session;
    const std::filesystem::path scratch = path.string() + ".images";
    std::filesystem::create_directories(scratch);
    bool written = true;
    for (int i = 0; i < images && written; ++i) {
        const std::filesystem::path image = scratch / ("colour" + std::to_string(i) + ".png");
        const auto shade = static_cast<std::uint8_t>(40 + 200 * i / std::max(images, 1));
        written = WriteOneColourPng(image, side, {shade, static_cast<std::uint8_t>(255 - shade), 128});
        if (!written) break;
        const KVMaterialRef material = session.AddTexturedMaterial("Colour" + std::to_string(i), image);
        const double x = i * 1.25;
        session.Fill(session.TopLevel(), {{x, 0, 0}, {x + 1, 0, 0}, {x + 1, 1, 0}, {x, 1, 0}}, {{0, 1, 2, 3}}, material);
    }
    written = written && session.Save(path);
    std::filesystem::remove_all(scratch);
    return written;
}

bool WriteRepeatedModel(const std::filesystem::path& path, int placements) {
    ModelSession session;
    KVEntitiesRef entities{};
    const KVComponentDefinitionRef bolt = session.AddDefinition("Bolt", entities);
    session.AddBox(entities);
    int side = 1;
    while (side * side < placements) ++side;
    for (int i = 0; i < placements; ++i) session.Place(bolt, Translation(i % side * 2.0, i / side * 2.0, 0), session.TopLevel());
    return session.Save(path);
}

}  // namespace hollin::samples
