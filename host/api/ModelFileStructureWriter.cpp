#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <unordered_map>
#include <utility>

#include <nlohmann/json.hpp>

#include "ModelFileStructure.h"
#include "utils/Utf8Conversion.h"

// Writing the model's structure beside the viewer's scene; ModelFileStructure.cpp reads it.
namespace korvanta {
namespace {

using nlohmann::json;

tinygltf::Value ToGltfValue(const json& value) {
    switch (value.type()) {
        case json::value_t::object: {
            tinygltf::Value::Object object;
            for (const auto& [key, member] : value.items()) object.emplace(key, ToGltfValue(member));
            return tinygltf::Value(std::move(object));
        }
        case json::value_t::array: {
            tinygltf::Value::Array array;
            array.reserve(value.size());
            for (const auto& element : value) array.push_back(ToGltfValue(element));
            return tinygltf::Value(std::move(array));
        }
        // Names reach the model through the API, which keeps them valid
        // UTF-8; one that got in some other way is still written, not the
        // reason a save fails.
        case json::value_t::string:
            return tinygltf::Value(hollin::utils::Utf8FromUtf8OrWindows1252(value.get<std::string>()));
        case json::value_t::boolean:
            return tinygltf::Value(value.get<bool>());
        case json::value_t::number_integer:
        case json::value_t::number_unsigned: {
            const auto number = value.get<std::int64_t>();
            if (number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max()) {
                return tinygltf::Value(static_cast<int>(number));
            }
            return tinygltf::Value(static_cast<double>(number));
        }
        case json::value_t::number_float:
            return tinygltf::Value(value.get<double>());
        default:
            return tinygltf::Value();
    }
}


class StructureWriter {
public:
    StructureWriter(const Model& model, const GltfMaterialIndices& materials, GltfBufferWriter& buffer)
        : materials_(materials), buffer_(buffer) {
        for (std::size_t i = 0; i < model.definitions.size(); ++i) {
            definitionIndices_[model.definitions[i].get()] = i;
        }
    }

    // The entities' vertices are the first of the drawn vertices, whose
    // single-precision positions the viewer's mesh and the structure share;
    // a vertex that single precision cannot hold sends all of them in double
    // precision as well. Corners are drawn vertices. Edges are not stored,
    // the loops give them; which are smooth is a bit per loop corner.
    json WriteEntities(const Entities& entities, DrawnEntities& drawn) {
        json description = {{"skippedFaces", entities.skippedFaces},
                            {"vertexCount", entities.vertices.size()},
                            {"drawnCount", drawn.Count()},
                            {"faceCount", entities.faces.size()},
                            {"indexBytes", drawn.ShortIndices() ? 2 : 4},
                            {"instances", Instances(entities)}};
        if (drawn.Count() != 0) description["positions"] = DrawnPositionsView(entities, drawn, buffer_);
        if (!drawn.singlePrecision) {
            AddView(description, "exactVertices", buffer_.AddArray<double>(entities.vertices.size() * 3, [&entities](ArrayEmitter<double>& emit) {
                for (const Point3& p : entities.vertices) {
                    emit(p.x);
                    emit(p.y);
                    emit(p.z);
                }
            }));
        }
        AddView(description, "copiedVertices", buffer_.AddStored(std::span<const std::uint32_t>(drawn.copiedVertex)));
        WriteUvs(drawn, description);
        WriteFaceMaterials(entities, drawn, description);
        AddView(description, "smoothSides", buffer_.AddStored(std::span<const std::uint8_t>(drawn.smoothSides)));

        // Plain triangles of one material are the corners the viewer's one primitive draws, in the same order.
        if (drawn.allPlain && drawn.primitives.size() == 1) {
            description["corners"] = drawn.primitives.front().indicesView;
            return description;
        }
        AddView(description, "corners", AddDrawnIndices(drawn, drawn.loopCorners, [&entities, &drawn](auto emit) {
            for (const Face& face : entities.faces) {
                for (const Loop& loop : entities.LoopsOf(face)) {
                    for (std::uint32_t c = 0; c < loop.cornerCount; ++c) emit(drawn.DrawnOf(entities, loop.firstCorner + c));
                }
            }
        }, buffer_));
        if (drawn.allPlain) return description;
        AddView(description, "faceLoops", buffer_.AddArray<std::uint32_t>(entities.faces.size(), [&entities](auto& emit) {
            for (const Face& face : entities.faces) emit(IsPlainTriangle(entities, face) ? 0 : face.loopCount);
        }));
        AddView(description, "loopCorners", buffer_.AddArray<std::uint32_t>(drawn.otherLoops, [&entities](auto& emit) {
            for (const Face& face : entities.faces) {
                if (IsPlainTriangle(entities, face)) continue;
                for (const Loop& loop : entities.LoopsOf(face)) emit(loop.cornerCount);
            }
        }));
        AddView(description, "faceTriangles", buffer_.AddArray<std::uint32_t>(drawn.otherFaces, [&entities](auto& emit) {
            for (const Face& face : entities.faces) {
                if (!IsPlainTriangle(entities, face)) emit(face.triangleCount);
            }
        }));
        AddView(description, "triangles", AddDrawnIndices(drawn, drawn.otherTriangles * 3, [&entities, &drawn](auto emit) {
            for (const Face& face : entities.faces) {
                if (IsPlainTriangle(entities, face)) continue;
                for (const Triangle& triangle : entities.TrianglesOf(face)) {
                    for (std::uint32_t corner : triangle.corners) emit(drawn.DrawnOf(entities, corner));
                }
            }
        }, buffer_));
        return description;
    }

private:
    json Instances(const Entities& entities) const {
        json instances = json::array();
        for (const auto& instance : entities.instances) {
            const auto definition = definitionIndices_.find(instance->definition);
            if (definition == definitionIndices_.end()) continue;
            instances.push_back({{"definition", definition->second},
                                 {"transform", instance->transform.values},
                                 {"name", instance->name}});
        }
        return instances;
    }

    // Texture coordinates of the drawn vertices, unflipped; none when all are zero.
    void WriteUvs(const DrawnEntities& drawn, json& description) {
        if (!drawn.anyUv) return;
        AddView(description, "uvs", buffer_.AddArray<float>(drawn.Count() * 2, [&drawn](ArrayEmitter<float>& emit) {
            for (const TextureCoordinate& uv : drawn.uvs) {
                emit(uv.u);
                emit(uv.v);
            }
        }));
    }

    // Per face its material number (0 for none, else its place in the
    // model's list + 1) times two, plus one when textured; one number when
    // all faces share it.
    void WriteFaceMaterials(const Entities& entities, const DrawnEntities& drawn, json& description) {
        if (entities.faces.empty()) return;
        const GltfMaterialIndices& materials = materials_;
        const auto number = [&materials](const Face& face) {
            return static_cast<std::uint32_t>(GltfMaterialOf(face, materials) + 1) * 2 + (face.textured ? 1u : 0u);
        };
        if (drawn.oneMaterial) {
            description["faceMaterial"] = number(entities.faces.front());
            return;
        }
        AddView(description, "faceMaterials", buffer_.AddArray<std::uint32_t>(entities.faces.size(), [&entities, number](auto& emit) {
            // Faces come in runs of one material: it is looked up once a run.
            const Face* runStart = nullptr;
            std::uint32_t runNumber = 0;
            for (const Face& face : entities.faces) {
                if (runStart == nullptr || face.frontMaterial != runStart->frontMaterial || face.textured != runStart->textured) {
                    runStart = &face;
                    runNumber = number(face);
                }
                emit(runNumber);
            }
        }));
    }

    // Empty arrays are left out: glTF has no empty buffer views.
    static void AddView(json& description, const char* key, int view) {
        if (view >= 0) description[key] = view;
    }

    const GltfMaterialIndices& materials_;
    GltfBufferWriter& buffer_;
    std::unordered_map<const ComponentDefinition*, std::size_t> definitionIndices_;
};

json WriteMaterial(const Material& material, int image) {
    json description = {{"name", material.name},
                        {"color", {material.color.red, material.color.green, material.color.blue, material.color.alpha}},
                        {"opacity", material.opacity}};
    if (material.texture && image >= 0) {
        const Texture& texture = *material.texture;
        description["texture"] = {{"image", image},
                                  {"fileName", texture.fileName},
                                  {"width", texture.image->size.width},
                                  {"height", texture.image->size.height},
                                  {"sScale", texture.sScale},
                                  {"tScale", texture.tScale}};
    }
    return description;
}


}  // namespace

void AddModelStructure(const Model& model, ViewerScene& scene, GltfBufferWriter& buffer, tinygltf::Model& gltf) {
    json materials = json::array();
    for (std::size_t i = 0; i < model.materials.size(); ++i) {
        materials.push_back(WriteMaterial(*model.materials[i], scene.materialImages[i]));
    }
    StructureWriter writer(model, scene.materials, buffer);
    json definitions = json::array();
    for (const auto& definition : model.definitions) {
        definitions.push_back({{"name", definition->name},
                               {"entities", writer.WriteEntities(definition->entities, scene.drawn.at(&definition->entities))}});
    }
    const json structure = {{"version", kModelStructureVersion},
                            {"materials", std::move(materials)},
                            {"definitions", std::move(definitions)},
                            {"entities", writer.WriteEntities(model.entities, scene.drawn.at(&model.entities))}};
    tinygltf::Value::Object extras;
    extras.emplace(kModelStructureKey, ToGltfValue(structure));
    gltf.asset.extras = tinygltf::Value(std::move(extras));
}

}  // namespace korvanta
