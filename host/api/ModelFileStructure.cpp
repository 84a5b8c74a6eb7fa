#include "ModelFileStructure.h"

#include <cstdint>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>

#include <nlohmann/json.hpp>

#include "utils/Utf8Conversion.h"

namespace korvanta {
namespace {

using nlohmann::json;

// Per face: front material number (0 for none, else index + 1), textured
// flag, first loop, loop count, first triangle, triangle count. The loops,
// corners and triangles are the entities' own lists as they stand.
constexpr std::size_t kFaceRecordSize = 6;

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
    StructureWriter(const Model& model, GltfBufferWriter& buffer) : buffer_(buffer) {
        for (std::size_t i = 0; i < model.materials.size(); ++i) {
            materialNumbers_[model.materials[i].get()] = static_cast<std::uint32_t>(i + 1);
        }
        for (std::size_t i = 0; i < model.definitions.size(); ++i) {
            definitionIndices_[model.definitions[i].get()] = i;
        }
    }

    json WriteEntities(const Entities& entities) {
        std::vector<double> vertices;
        vertices.reserve(entities.vertices.size() * 3);
        for (const auto& point : entities.vertices) vertices.insert(vertices.end(), {point.x, point.y, point.z});
        std::vector<std::uint32_t> edges;
        edges.reserve(entities.edges.size() * 2);
        for (const auto& edge : entities.edges) edges.insert(edges.end(), {edge.from, edge.to});

        std::vector<std::uint32_t> faces, loops, corners, triangles;
        std::vector<double> cornerUvs;
        faces.reserve(entities.faces.size() * kFaceRecordSize);
        for (const auto& face : entities.faces) {
            const auto material = materialNumbers_.find(face.frontMaterial);
            faces.insert(faces.end(), {material == materialNumbers_.end() ? 0u : material->second,
                                       face.textured ? 1u : 0u, face.firstLoop, face.loopCount, face.firstTriangle,
                                       face.triangleCount});
        }
        loops.reserve(entities.loops.size() * 2);
        for (const auto& loop : entities.loops) loops.insert(loops.end(), {loop.firstCorner, loop.cornerCount});
        corners.reserve(entities.corners.size());
        cornerUvs.reserve(entities.corners.size() * 2);
        for (const auto& corner : entities.corners) {
            corners.push_back(corner.vertex);
            cornerUvs.insert(cornerUvs.end(), {corner.uv.u, corner.uv.v});
        }
        triangles.reserve(entities.triangles.size() * 3);
        for (const auto& triangle : entities.triangles) {
            triangles.insert(triangles.end(), triangle.corners.begin(), triangle.corners.end());
        }

        json instances = json::array();
        for (const auto& instance : entities.instances) {
            const auto definition = definitionIndices_.find(instance->definition);
            if (definition == definitionIndices_.end()) continue;
            instances.push_back({{"definition", definition->second},
                                 {"transform", instance->transform.values},
                                 {"name", instance->name}});
        }

        json description = {{"skippedFaces", entities.skippedFaces}, {"instances", std::move(instances)}};
        AddArray(description, "vertices", vertices);
        AddArray(description, "edges", edges);
        AddArray(description, "faces", faces);
        AddArray(description, "loops", loops);
        AddArray(description, "corners", corners);
        AddArray(description, "cornerUvs", cornerUvs);
        AddArray(description, "triangles", triangles);
        return description;
    }

private:
    // Empty arrays are left out: glTF has no empty buffer views.
    template <typename T>
    void AddArray(json& description, const char* key, const std::vector<T>& values) {
        if (!values.empty()) description[key] = buffer_.AddArray(values);
    }

    GltfBufferWriter& buffer_;
    std::unordered_map<const Material*, std::uint32_t> materialNumbers_;
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
                                  {"width", texture.width},
                                  {"height", texture.height},
                                  {"sScale", texture.sScale},
                                  {"tScale", texture.tScale}};
    }
    return description;
}

// Thrown while reading when the description contradicts itself or the file.
struct InvalidStructure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void Require(bool condition, const char* what) {
    if (!condition) throw InvalidStructure(what);
}

// The glTF writer stores empty arrays as null. (And nlohmann would iterate
// over a lone value as if it were a one-element array.)
const json& ArrayAt(const json& description, const char* key) {
    static const json empty = json::array();
    const json& array = description.at(key);
    Require(array.is_array() || array.is_null(), key);
    return array.is_null() ? empty : array;
}

class StructureReader {
public:
    StructureReader(const GlbContent& content, Model& model)
        : content_(content), model_(model), viewBytesLeft_(content.binary.size()) {}

    void ReadMaterial(const json& description) {
        auto material = std::make_unique<Material>();
        material->name = description.at("name").get<std::string>();
        const auto color = description.at("color").get<std::vector<std::uint8_t>>();
        Require(color.size() == 4, "colour");
        material->color = {color[0], color[1], color[2], color[3]};
        material->opacity = description.at("opacity").get<double>();
        if (description.contains("texture")) material->texture = ReadTexture(description.at("texture"));
        model_.materials.push_back(std::move(material));
    }

    void ReadEntities(const json& description, Entities& entities) {
        std::vector<double> vertices, cornerUvs;
        std::vector<std::uint32_t> edges, faces, loops, corners, triangles;
        ReadArray(description, "vertices", vertices, 3);
        ReadArray(description, "edges", edges, 2);
        ReadArray(description, "faces", faces, kFaceRecordSize);
        ReadArray(description, "loops", loops, 2);
        ReadArray(description, "corners", corners, 1);
        ReadArray(description, "cornerUvs", cornerUvs, 2);
        ReadArray(description, "triangles", triangles, 3);
        Require(cornerUvs.size() == corners.size() * 2, "texture coordinate count");
        const auto inside = [](std::uint32_t first, std::uint32_t count, std::size_t size) {
            return first <= size && count <= size - first;
        };

        entities.vertices.reserve(vertices.size() / 3);
        for (std::size_t i = 0; i < vertices.size(); i += 3) {
            entities.vertices.push_back({vertices[i], vertices[i + 1], vertices[i + 2]});
        }
        const std::size_t vertexCount = entities.vertices.size();
        entities.edges.reserve(edges.size() / 2);
        for (std::size_t i = 0; i < edges.size(); i += 2) {
            Require(edges[i] < vertexCount && edges[i + 1] < vertexCount, "edge vertex");
            entities.edges.push_back({edges[i], edges[i + 1]});
        }
        entities.corners.reserve(corners.size());
        for (std::size_t i = 0; i < corners.size(); ++i) {
            Require(corners[i] < vertexCount, "corner vertex");
            entities.corners.push_back({corners[i], {cornerUvs[i * 2], cornerUvs[i * 2 + 1]}});
        }
        entities.loops.reserve(loops.size() / 2);
        for (std::size_t i = 0; i < loops.size(); i += 2) {
            Require(inside(loops[i], loops[i + 1], corners.size()), "loop corners");
            entities.loops.push_back({loops[i], loops[i + 1]});
        }
        entities.triangles.reserve(triangles.size() / 3);
        for (std::size_t i = 0; i < triangles.size(); i += 3) {
            Require(triangles[i] < corners.size() && triangles[i + 1] < corners.size() &&
                        triangles[i + 2] < corners.size(),
                    "triangle corner");
            entities.triangles.push_back({{triangles[i], triangles[i + 1], triangles[i + 2]}});
        }
        entities.faces.reserve(faces.size() / kFaceRecordSize);
        for (std::size_t f = 0; f < faces.size(); f += kFaceRecordSize) {
            Face& face = entities.faces.emplace_back();
            const std::uint32_t material = faces[f];
            Require(material <= model_.materials.size(), "face material");
            face.frontMaterial = material == 0 ? nullptr : model_.materials[material - 1].get();
            face.textured = faces[f + 1] != 0;
            face.firstLoop = faces[f + 2];
            face.loopCount = faces[f + 3];
            face.firstTriangle = faces[f + 4];
            face.triangleCount = faces[f + 5];
            Require(inside(face.firstLoop, face.loopCount, entities.loops.size()), "face loops");
            Require(inside(face.firstTriangle, face.triangleCount, entities.triangles.size()), "face triangles");
        }

        entities.skippedFaces = description.at("skippedFaces").get<std::size_t>();
        for (const auto& instanceDescription : ArrayAt(description, "instances")) {
            auto instance = std::make_unique<ComponentInstance>();
            const auto definition = instanceDescription.at("definition").get<std::size_t>();
            Require(definition < model_.definitions.size(), "instance definition");
            instance->definition = model_.definitions[definition].get();
            const auto transform = instanceDescription.at("transform").get<std::vector<double>>();
            Require(transform.size() == 16, "transform");
            std::copy(transform.begin(), transform.end(), instance->transform.values);
            instance->name = instanceDescription.at("name").get<std::string>();
            entities.instances.push_back(std::move(instance));
        }
    }

private:
    std::unique_ptr<Texture> ReadTexture(const json& description) {
        const auto imageIndex = description.at("image").get<std::size_t>();
        const json& images = ArrayAt(content_.document, "images");
        Require(imageIndex < images.size(), "texture image");
        const json& image = images[imageIndex];
        auto texture = std::make_unique<Texture>();
        Require(ReadView(image.at("bufferView").get<int>(), texture->encoded) && !texture->encoded.empty(), "image data");
        texture->mimeType = image.at("mimeType").get<std::string>();
        texture->fileName = description.at("fileName").get<std::string>();
        texture->width = description.at("width").get<std::size_t>();
        texture->height = description.at("height").get<std::size_t>();
        texture->sScale = description.at("sScale").get<double>();
        texture->tScale = description.at("tScale").get<double>();
        return texture;
    }

    // An array absent from the description is empty.
    template <typename T>
    void ReadArray(const json& description, const char* key, std::vector<T>& values, std::size_t groupSize) {
        const int view = description.contains(key) ? description.at(key).get<int>() : -1;
        Require(ReadView(view, values) && values.size() % groupSize == 0, key);
    }

    // Views that overlap, or one named again and again, could make a small
    // file fill memory many times over; what is read from views never adds
    // up to more than the binary chunk holds.
    template <typename T>
    bool ReadView(int view, std::vector<T>& values) {
        if (!ReadViewArray(content_, view, values)) return false;
        const std::size_t bytes = values.size() * sizeof(T);
        if (bytes > viewBytesLeft_) return false;
        viewBytesLeft_ -= bytes;
        return true;
    }

    const GlbContent& content_;
    Model& model_;
    std::size_t viewBytesLeft_;
};

}  // namespace

void AddModelStructure(const Model& model, const std::vector<int>& materialImages, GltfBufferWriter& buffer,
                       tinygltf::Model& gltf) {
    json materials = json::array();
    for (std::size_t i = 0; i < model.materials.size(); ++i) {
        materials.push_back(WriteMaterial(*model.materials[i], materialImages[i]));
    }
    StructureWriter writer(model, buffer);
    json definitions = json::array();
    for (const auto& definition : model.definitions) {
        definitions.push_back({{"name", definition->name}, {"entities", writer.WriteEntities(definition->entities)}});
    }
    const json structure = {{"version", kModelStructureVersion},
                            {"materials", std::move(materials)},
                            {"definitions", std::move(definitions)},
                            {"entities", writer.WriteEntities(model.entities)}};
    tinygltf::Value::Object extras;
    extras.emplace(kModelStructureKey, ToGltfValue(structure));
    gltf.asset.extras = tinygltf::Value(std::move(extras));
}

std::size_t ModelStructureBytesAtMost(const Model& model) {
    const auto entitiesBytes = [](const Entities& entities) {
        const auto view = [](std::size_t count, std::size_t elementBytes) {
            return GltfBufferWriter::ViewBytesAtMost(count * elementBytes);
        };
        return view(entities.vertices.size(), 3 * sizeof(double)) + view(entities.edges.size(), 2 * sizeof(std::uint32_t)) +
               view(entities.faces.size(), kFaceRecordSize * sizeof(std::uint32_t)) +
               view(entities.loops.size(), 2 * sizeof(std::uint32_t)) + view(entities.corners.size(), sizeof(std::uint32_t)) +
               view(entities.corners.size(), 2 * sizeof(double)) + view(entities.triangles.size(), 3 * sizeof(std::uint32_t));
    };
    std::size_t bytes = entitiesBytes(model.entities);
    for (const auto& definition : model.definitions) bytes += entitiesBytes(definition->entities);
    return bytes;
}

bool ReadModelStructure(const GlbContent& content, Model& model) {
    try {
        const json& structure = content.document.at("asset").at("extras").at(kModelStructureKey);
        if (structure.at("version").get<int>() != kModelStructureVersion) return false;
        Model loaded;
        StructureReader reader(content, loaded);
        for (const auto& material : ArrayAt(structure, "materials")) reader.ReadMaterial(material);
        const json& definitions = ArrayAt(structure, "definitions");
        for (const auto& definition : definitions) {
            loaded.definitions.push_back(std::make_unique<ComponentDefinition>());
            loaded.definitions.back()->name = definition.at("name").get<std::string>();
        }
        for (std::size_t i = 0; i < definitions.size(); ++i) {
            reader.ReadEntities(definitions[i].at("entities"), loaded.definitions[i]->entities);
        }
        reader.ReadEntities(structure.at("entities"), loaded.entities);
        model = std::move(loaded);
        return true;
    } catch (const nlohmann::json::exception&) {
        return false;
    } catch (const InvalidStructure&) {
        return false;
    }
}

}  // namespace korvanta
