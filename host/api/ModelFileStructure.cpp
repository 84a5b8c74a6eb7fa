#include "ModelFileStructure.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>

#include <nlohmann/json.hpp>

#include "utils/Utf8Conversion.h"

namespace korvanta {
namespace {

using nlohmann::json;

// A face whose one loop is a triangle and whose one triangle is that loop,
// corner for corner: what almost every imported face is. Its corners are
// all the file stores of it.
bool IsPlainTriangle(const Entities& entities, const Face& face) {
    if (face.loopCount != 1 || face.triangleCount != 1) return false;
    const Loop& loop = entities.loops[face.firstLoop];
    const Triangle& triangle = entities.triangles[face.firstTriangle];
    return loop.cornerCount == 3 && triangle.corners[0] == loop.firstCorner &&
           triangle.corners[1] == loop.firstCorner + 1 && triangle.corners[2] == loop.firstCorner + 2;
}

bool IsSinglePrecision(double value) { return static_cast<double>(static_cast<float>(value)) == value; }

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

    // The entities' vertices are the first of the drawn vertices, whose
    // single-precision positions the viewer's mesh and the structure share;
    // a vertex that single precision cannot hold sends all of them in double
    // precision as well. Corners are drawn vertices. Edges are not stored:
    // the loops give them.
    json WriteEntities(const Entities& entities, DrawnEntities& drawn) {
        json description = {{"skippedFaces", entities.skippedFaces},
                            {"vertexCount", entities.vertices.size()},
                            {"drawnCount", drawn.Count()},
                            {"faceCount", entities.faces.size()},
                            {"indexBytes", drawn.ShortIndices() ? 2 : 4},
                            {"instances", Instances(entities)}};
        if (drawn.Count() != 0) description["positions"] = DrawnPositionsView(entities, drawn, buffer_);
        if (!std::all_of(entities.vertices.begin(), entities.vertices.end(), [](const Point3& p) {
                return IsSinglePrecision(p.x) && IsSinglePrecision(p.y) && IsSinglePrecision(p.z);
            })) {
            std::vector<double> exact;
            exact.reserve(entities.vertices.size() * 3);
            for (const Point3& p : entities.vertices) exact.insert(exact.end(), {p.x, p.y, p.z});
            description["exactVertices"] = buffer_.AddArray(exact);
        }
        AddArray(description, "copiedVertices", drawn.copiedVertex);
        WriteUvs(drawn, description);
        WriteFaceMaterials(entities, description);

        const bool allPlain = std::all_of(entities.faces.begin(), entities.faces.end(),
                                          [&](const Face& face) { return IsPlainTriangle(entities, face); });
        // Plain triangles of one material are the corners the viewer's one primitive draws, in the same order.
        if (allPlain && drawn.primitives.size() == 1) {
            description["corners"] = drawn.primitives.front().indicesView;
            return description;
        }
        std::vector<std::uint32_t> corners, faceLoops, loopCorners, faceTriangles, triangles;
        corners.reserve(entities.corners.size());
        for (const Face& face : entities.faces) {
            const bool plain = IsPlainTriangle(entities, face);
            faceLoops.push_back(plain ? 0 : face.loopCount);
            for (const Loop& loop : entities.LoopsOf(face)) {
                if (!plain) loopCorners.push_back(loop.cornerCount);
                for (std::uint32_t c = 0; c < loop.cornerCount; ++c) corners.push_back(drawn.cornerDrawn[loop.firstCorner + c]);
            }
            if (plain) continue;
            faceTriangles.push_back(face.triangleCount);
            for (const Triangle& triangle : entities.TrianglesOf(face)) {
                for (std::uint32_t corner : triangle.corners) triangles.push_back(drawn.cornerDrawn[corner]);
            }
        }
        AddIndexArray(description, "corners", corners, drawn);
        if (!allPlain) {
            AddArray(description, "faceLoops", faceLoops);
            AddArray(description, "loopCorners", loopCorners);
            AddArray(description, "faceTriangles", faceTriangles);
            AddIndexArray(description, "triangles", triangles, drawn);
        }
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
        const auto zero = [](const TextureCoordinate& uv) { return uv.u == 0.0f && uv.v == 0.0f; };
        if (std::all_of(drawn.uvs.begin(), drawn.uvs.end(), zero)) return;
        std::vector<float> uvs;
        uvs.reserve(drawn.uvs.size() * 2);
        for (const auto& uv : drawn.uvs) uvs.insert(uvs.end(), {uv.u, uv.v});
        description["uvs"] = buffer_.AddArray(uvs);
    }

    // Per face its material number (0 for none, else index + 1) times two,
    // plus one when textured; one number when all faces share it.
    void WriteFaceMaterials(const Entities& entities, json& description) {
        std::vector<std::uint32_t> numbers;
        numbers.reserve(entities.faces.size());
        const Material* runMaterial = nullptr;
        std::uint32_t runNumber = 0;
        for (const Face& face : entities.faces) {
            // Faces come in runs of one material: it is looked up once a run.
            if (numbers.empty() || face.frontMaterial != runMaterial) {
                runMaterial = face.frontMaterial;
                const auto material = materialNumbers_.find(runMaterial);
                runNumber = material == materialNumbers_.end() ? 0u : material->second;
            }
            numbers.push_back(runNumber * 2 + (face.textured ? 1u : 0u));
        }
        if (numbers.empty()) return;
        if (std::all_of(numbers.begin(), numbers.end(), [&](std::uint32_t n) { return n == numbers.front(); })) {
            description["faceMaterial"] = numbers.front();
        } else {
            AddArray(description, "faceMaterials", numbers);
        }
    }

    void AddIndexArray(json& description, const char* key, const std::vector<std::uint32_t>& indices,
                       const DrawnEntities& drawn) {
        if (drawn.ShortIndices()) {
            AddArray(description, key, std::vector<std::uint16_t>(indices.begin(), indices.end()));
        } else {
            AddArray(description, key, indices);
        }
    }

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
                                  {"width", texture.image->size.width},
                                  {"height", texture.image->size.height},
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

template <typename T>
T WholeNumberAt(const json& object, const char* key) {
    const std::optional<T> number = WholeNumber<T>(object.at(key));
    Require(number.has_value(), key);
    return *number;
}

// The glTF writer stores empty arrays as null. (And nlohmann would iterate
// over a lone value as if it were a one-element array.)
const json& ArrayAt(const json& description, const char* key) {
    static const json empty = json::array();
    const json& array = description.at(key);
    Require(array.is_array() || array.is_null(), key);
    return array.is_null() ? empty : array;
}

// Every side of a loop, the last corner back to the first too, joins two
// different vertices.
void RequireClosedLoop(std::span<const Corner> corners) {
    for (std::size_t c = 0; c < corners.size(); ++c) {
        Require(corners[c].vertex != corners[(c + 1) % corners.size()].vertex, "loop side");
    }
}

// Each undirected edge of the loops once, in the order the loops first use
// it, as filling the entities added them.
void DeriveEdges(Entities& entities) {
    struct Use {
        std::uint64_t key;
        std::uint32_t order;
        Edge edge;
    };
    std::vector<Use> uses;
    uses.reserve(entities.corners.size());
    for (const Face& face : entities.faces) {
        for (const Loop& loop : entities.LoopsOf(face)) {
            const std::span<const Corner> corners = entities.CornersOf(loop);
            for (std::size_t c = 0; c < corners.size(); ++c) {
                const std::uint32_t a = corners[c].vertex, b = corners[(c + 1) % corners.size()].vertex;
                const std::uint64_t key = std::uint64_t{std::min(a, b)} << 32 | std::max(a, b);
                uses.push_back({key, static_cast<std::uint32_t>(uses.size()), {a, b}});
            }
        }
    }
    std::sort(uses.begin(), uses.end(), [](const Use& x, const Use& y) { return std::tie(x.key, x.order) < std::tie(y.key, y.order); });
    const auto last = std::unique(uses.begin(), uses.end(), [](const Use& x, const Use& y) { return x.key == y.key; });
    uses.erase(last, uses.end());
    std::sort(uses.begin(), uses.end(), [](const Use& x, const Use& y) { return x.order < y.order; });
    entities.edges.clear();
    entities.edges.reserve(uses.size());
    for (const Use& use : uses) entities.edges.push_back(use.edge);
}

class StructureReader {
public:
    StructureReader(const GlbContent& content, Model& model)
        : content_(content), model_(model), viewBytesLeft_(content.binary.size()) {}

    void ReadMaterial(const json& description) {
        auto material = std::make_unique<Material>();
        material->name = description.at("name").get<std::string>();
        const json& color = description.at("color");
        Require(color.is_array() && color.size() == 4, "colour");
        const auto channel = [&color](std::size_t i) {
            const std::optional<std::uint8_t> value = WholeNumber<std::uint8_t>(color[i]);
            Require(value.has_value(), "colour");
            return *value;
        };
        material->color = {channel(0), channel(1), channel(2), channel(3)};
        material->opacity = description.at("opacity").get<double>();
        if (description.contains("texture")) material->texture = ReadTexture(description.at("texture"));
        model_.materials.push_back(std::move(material));
    }

    // Every count is checked against the arrays it describes, and those
    // against the file, before anything is made of them.
    void ReadEntities(const json& description, Entities& entities) {
        const auto vertexCount = WholeNumberAt<std::size_t>(description, "vertexCount");
        const auto drawnCount = WholeNumberAt<std::size_t>(description, "drawnCount");
        const auto faceCount = WholeNumberAt<std::size_t>(description, "faceCount");
        const auto indexBytes = WholeNumberAt<int>(description, "indexBytes");
        Require(vertexCount <= drawnCount && (indexBytes == 2 || indexBytes == 4), "drawn vertices");

        std::vector<float> positions;
        std::vector<double> exact;
        std::vector<std::uint32_t> copied, faceLoops, loopCorners, faceTriangles, materials;
        ReadArray(description, "positions", positions, 3);
        Require(positions.size() / 3 == drawnCount, "positions");
        ReadArray(description, "exactVertices", exact, 3);
        Require(exact.empty() || exact.size() / 3 == vertexCount, "exact vertices");
        ReadArray(description, "copiedVertices", copied, 1);
        Require(copied.size() == drawnCount - vertexCount, "copied vertices");
        const std::vector<TextureCoordinate> uvs = ReadUvs(description, drawnCount);
        const std::vector<std::uint32_t> corners = ReadIndices(description, "corners", indexBytes, drawnCount);
        const std::vector<std::uint32_t> triangles = ReadIndices(description, "triangles", indexBytes, drawnCount);
        ReadArray(description, "faceLoops", faceLoops, 1);
        ReadArray(description, "loopCorners", loopCorners, 1);
        ReadArray(description, "faceTriangles", faceTriangles, 1);
        ReadArray(description, "faceMaterials", materials, 1);
        // Every face has a corner at least.
        Require(faceCount <= corners.size() && (faceLoops.empty() || faceLoops.size() == faceCount) &&
                    (materials.empty() || materials.size() == faceCount),
                "face count");
        const auto sharedMaterial = description.value("faceMaterial", std::uint32_t{0});

        entities.vertices.reserve(vertexCount);
        for (std::size_t i = 0; i < vertexCount * 3; i += 3) {
            const Point3& vertex = entities.vertices.emplace_back(
                exact.empty() ? Point3{positions[i], positions[i + 1], positions[i + 2]}
                              : Point3{exact[i], exact[i + 1], exact[i + 2]});
            Require(std::isfinite(vertex.x) && std::isfinite(vertex.y) && std::isfinite(vertex.z), "vertex position");
        }
        for (std::uint32_t vertex : copied) Require(vertex < vertexCount, "copied vertex");
        const auto addCorner = [&](std::uint32_t drawn) {
            const std::uint32_t vertex = drawn < vertexCount ? drawn : copied[drawn - vertexCount];
            entities.corners.push_back({vertex, uvs[drawn]});
            return static_cast<std::uint32_t>(entities.corners.size() - 1);
        };

        entities.faces.reserve(faceCount);
        entities.corners.reserve(corners.size() + triangles.size());
        std::size_t nextCorner = 0, nextLoop = 0, nextFace = 0, nextTriangle = 0;
        for (std::size_t f = 0; f < faceCount; ++f) {
            Face& face = entities.faces.emplace_back();
            const std::uint32_t material = materials.empty() ? sharedMaterial : materials[f];
            // A textured face has a material.
            Require(material / 2 <= model_.materials.size() && material != 1, "face material");
            face.frontMaterial = material / 2 == 0 ? nullptr : model_.materials[material / 2 - 1].get();
            face.textured = material % 2 != 0;
            face.firstLoop = static_cast<std::uint32_t>(entities.loops.size());
            face.firstTriangle = static_cast<std::uint32_t>(entities.triangles.size());
            const std::uint32_t loopCount = faceLoops.empty() ? 0 : faceLoops[f];
            if (loopCount == 0) {
                Require(corners.size() - nextCorner >= 3, "face corners");
                const std::uint32_t first = addCorner(corners[nextCorner]);
                addCorner(corners[nextCorner + 1]);
                addCorner(corners[nextCorner + 2]);
                nextCorner += 3;
                entities.loops.push_back({first, 3});
                RequireClosedLoop(entities.CornersOf(entities.loops.back()));
                entities.triangles.push_back({{first, first + 1, first + 2}});
                face.loopCount = face.triangleCount = 1;
                continue;
            }
            Require(loopCount <= loopCorners.size() - nextLoop && nextFace < faceTriangles.size(), "face loops");
            face.loopCount = loopCount;
            for (std::uint32_t l = 0; l < loopCount; ++l) {
                const std::uint32_t size = loopCorners[nextLoop++];
                Require(size >= 3 && size <= corners.size() - nextCorner, "loop corners");
                const auto first = static_cast<std::uint32_t>(entities.corners.size());
                for (std::uint32_t c = 0; c < size; ++c) addCorner(corners[nextCorner++]);
                entities.loops.push_back({first, size});
                RequireClosedLoop(entities.CornersOf(entities.loops.back()));
            }
            face.triangleCount = faceTriangles[nextFace++];
            Require(face.triangleCount >= 1 && face.triangleCount <= (triangles.size() - nextTriangle) / 3,
                    "face triangles");
            for (std::uint32_t t = 0; t < face.triangleCount; ++t, nextTriangle += 3) {
                entities.triangles.push_back({{addCorner(triangles[nextTriangle]), addCorner(triangles[nextTriangle + 1]),
                                               addCorner(triangles[nextTriangle + 2])}});
            }
        }
        Require(nextCorner == corners.size() && nextLoop == loopCorners.size() && nextFace == faceTriangles.size() &&
                    nextTriangle == triangles.size(),
                "corners no face uses");
        DeriveEdges(entities);

        entities.skippedFaces = WholeNumberAt<std::size_t>(description, "skippedFaces");
        for (const auto& instanceDescription : ArrayAt(description, "instances")) {
            auto instance = std::make_unique<ComponentInstance>();
            const auto definition = WholeNumberAt<std::size_t>(instanceDescription, "definition");
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
        const auto imageIndex = WholeNumberAt<std::size_t>(description, "image");
        const json& images = ArrayAt(content_.document, "images");
        Require(imageIndex < images.size(), "texture image");
        const image::ImageSize size{WholeNumberAt<std::size_t>(description, "width"),
                                    WholeNumberAt<std::size_t>(description, "height")};
        auto texture = std::make_unique<Texture>();
        texture->fileName = description.at("fileName").get<std::string>();
        texture->sScale = description.at("sScale").get<double>();
        texture->tScale = description.at("tScale").get<double>();
        // Materials that shared an image when saved share it again.
        std::shared_ptr<const image::EmbeddableImage>& shared = images_[{imageIndex, size.width, size.height}];
        if (!shared) {
            const json& stored = images[imageIndex];
            auto decoded = std::make_shared<image::EmbeddableImage>();
            Require(ReadView(WholeNumberAt<int>(stored, "bufferView"), decoded->bytes) && !decoded->bytes.empty(),
                    "image data");
            decoded->mimeType = stored.at("mimeType").get<std::string>();
            decoded->size = size;
            shared = std::move(decoded);
        }
        texture->image = shared;
        return texture;
    }

    std::vector<TextureCoordinate> ReadUvs(const json& description, std::size_t drawnCount) {
        std::vector<TextureCoordinate> uvs(drawnCount);
        if (!description.contains("uvs")) return uvs;
        std::vector<float> values;
        ReadArray(description, "uvs", values, 2);
        Require(values.size() == drawnCount * 2, "texture coordinates");
        for (std::size_t i = 0; i < drawnCount; ++i) uvs[i] = {values[i * 2], values[i * 2 + 1]};
        return uvs;
    }

    std::vector<std::uint32_t> ReadIndices(const json& description, const char* key, int indexBytes, std::size_t drawnCount) {
        std::vector<std::uint32_t> indices;
        if (indexBytes == 2) {
            std::vector<std::uint16_t> shortIndices;
            ReadArray(description, key, shortIndices, 1);
            indices.assign(shortIndices.begin(), shortIndices.end());
        } else {
            ReadArray(description, key, indices, 1);
        }
        for (std::uint32_t index : indices) Require(index < drawnCount, key);
        return indices;
    }

    // An array absent from the description is empty.
    template <typename T>
    void ReadArray(const json& description, const char* key, std::vector<T>& values, std::size_t groupSize) {
        const int view = description.contains(key) ? WholeNumberAt<int>(description, key) : -1;
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
    // By image number, width and height.
    std::map<std::tuple<std::size_t, std::size_t, std::size_t>, std::shared_ptr<const image::EmbeddableImage>> images_;
};

}  // namespace

void AddModelStructure(const Model& model, ViewerScene& scene, GltfBufferWriter& buffer, tinygltf::Model& gltf) {
    json materials = json::array();
    for (std::size_t i = 0; i < model.materials.size(); ++i) {
        materials.push_back(WriteMaterial(*model.materials[i], scene.materialImages[i]));
    }
    StructureWriter writer(model, buffer);
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

bool ReadModelStructure(const GlbContent& content, Model& model) {
    try {
        const json& structure = content.document.at("asset").at("extras").at(kModelStructureKey);
        if (WholeNumber<int>(structure.at("version")) != kModelStructureVersion) return false;
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
