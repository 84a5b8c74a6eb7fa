#include "ModelFileStructure.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <variant>

#include <nlohmann/json.hpp>

#include "ImageHeader.h"
#include "ModelFileDescription.h"
#include "utils/Utf8Conversion.h"

// Reading the model's structure; ModelFileStructureWriter.cpp writes it.
namespace korvanta {
namespace {

using nlohmann::json;

// Every side of a loop, the last corner back to the first too, joins two
// different vertices.
void RequireClosedLoop(std::span<const Corner> corners) {
    for (std::size_t c = 0; c < corners.size(); ++c) {
        Require(corners[c].vertex != corners[(c + 1) % corners.size()].vertex, "loop side");
    }
}

// Each undirected edge of the loops once, in the order the loops first use
// it, as filling the entities added them. `smoothSides`, a bit per loop
// corner (empty while every edge is hard), says which sides are smooth:
// every side of a smooth edge is, as a model's edge is smooth or hard for
// all its faces.
void DeriveEdges(Entities& entities, std::span<const std::uint8_t> smoothSides) {
    struct Use {
        std::uint64_t key;
        std::uint32_t order;
        Edge edge;
        bool smooth;
    };
    std::vector<Use> uses;
    uses.reserve(entities.corners.size());
    for (const Face& face : entities.faces) {
        for (const Loop& loop : entities.LoopsOf(face)) {
            const std::span<const Corner> corners = entities.CornersOf(loop);
            for (std::size_t c = 0; c < corners.size(); ++c) {
                const std::uint32_t a = corners[c].vertex, b = corners[(c + 1) % corners.size()].vertex;
                const std::uint64_t key = std::uint64_t{std::min(a, b)} << 32 | std::max(a, b);
                const std::size_t side = uses.size();
                const bool smooth = !smoothSides.empty() && (smoothSides[side / 8] >> (side % 8) & 1u) != 0;
                uses.push_back({key, static_cast<std::uint32_t>(side), {a, b}, smooth});
            }
        }
    }
    std::sort(uses.begin(), uses.end(), [](const Use& x, const Use& y) { return std::tie(x.key, x.order) < std::tie(y.key, y.order); });
    if (!smoothSides.empty()) {
        for (std::size_t u = 1; u < uses.size(); ++u) {
            Require(uses[u].key != uses[u - 1].key || uses[u].smooth == uses[u - 1].smooth, "smooth sides");
        }
    }
    const auto last = std::unique(uses.begin(), uses.end(), [](const Use& x, const Use& y) { return x.key == y.key; });
    uses.erase(last, uses.end());
    std::sort(uses.begin(), uses.end(), [](const Use& x, const Use& y) { return x.order < y.order; });
    entities.edges.clear();
    entities.edges.reserve(uses.size());
    for (const Use& use : uses) entities.edges.push_back(use.edge);
    if (smoothSides.empty()) return;
    entities.smoothEdges.reserve(uses.size());
    for (const Use& use : uses) entities.smoothEdges.push_back(use.smooth ? 1 : 0);
}

class StructureReader {
public:
    StructureReader(const GlbContent& content, Model& model)
        : content_(content), model_(model), viewBytesLeft_(content.binary.size()) {}

    void ReadMaterial(const json& description, const std::string& where) {
        auto material = std::make_unique<Material>();
        material->name = description.at("name").get<std::string>();
        material->color = ColorAt(description, "color", where);
        material->opacity = description.at("opacity").get<double>();
        if (description.contains("texture")) {
            material->texture = ReadTexture(description.at("texture"), MemberOf(where, "texture"));
        }
        model_.materials.push_back(std::move(material));
    }

    // Every count is checked against the arrays it describes, and those
    // against the file, before anything is made of them.
    void ReadEntities(const json& description, const std::string& where, Entities& entities) {
        const auto vertexCount = WholeNumberAt<std::size_t>(description, "vertexCount", where);
        const auto drawnCount = WholeNumberAt<std::size_t>(description, "drawnCount", where);
        const auto faceCount = WholeNumberAt<std::size_t>(description, "faceCount", where);
        const auto indexBytes = WholeNumberAt<int>(description, "indexBytes", where);
        Require(vertexCount <= drawnCount && (indexBytes == 2 || indexBytes == 4), "drawn vertices");

        std::vector<float> positions;
        std::vector<double> exact;
        std::vector<std::uint32_t> copied, faceLoops, loopCorners, faceTriangles, materials;
        ReadArray(description, where, "positions", positions, 3);
        Require(positions.size() / 3 == drawnCount, "positions");
        ReadArray(description, where, "exactVertices", exact, 3);
        Require(exact.empty() || exact.size() / 3 == vertexCount, "exact vertices");
        ReadArray(description, where, "copiedVertices", copied, 1);
        Require(copied.size() == drawnCount - vertexCount, "copied vertices");
        const std::vector<TextureCoordinate> uvs = ReadUvs(description, where, drawnCount);
        const std::vector<std::uint32_t> corners = ReadIndices(description, where, "corners", indexBytes, drawnCount);
        const std::vector<std::uint32_t> triangles = ReadIndices(description, where, "triangles", indexBytes, drawnCount);
        ReadArray(description, where, "faceLoops", faceLoops, 1);
        ReadArray(description, where, "loopCorners", loopCorners, 1);
        ReadArray(description, where, "faceTriangles", faceTriangles, 1);
        ReadArray(description, where, "faceMaterials", materials, 1);
        // Every face has a corner at least.
        Require(faceCount <= corners.size() && (faceLoops.empty() || faceLoops.size() == faceCount) &&
                    (materials.empty() || materials.size() == faceCount),
                "face count");
        const auto sharedMaterial = WholeNumberOr<std::uint32_t>(description, "faceMaterial", 0, where);

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
        DeriveEdges(entities, ReadSmoothSides(description, where, corners.size()));

        entities.skippedFaces = WholeNumberAt<std::size_t>(description, "skippedFaces", where);
        const json& instances = ArrayAt(description, "instances");
        for (std::size_t i = 0; i < instances.size(); ++i) {
            const json& instanceDescription = instances[i];
            auto instance = std::make_unique<ComponentInstance>();
            const auto definition =
                WholeNumberAt<std::size_t>(instanceDescription, "definition", MemberOf(MemberOf(where, "instances"), i));
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
    // A bit per loop corner, the unused bits of the last byte clear; empty
    // while every edge is hard.
    std::vector<std::uint8_t> ReadSmoothSides(const json& description, const std::string& where, std::size_t loopCorners) {
        std::vector<std::uint8_t> bits;
        ReadArray(description, where, "smoothSides", bits, 1);
        const std::size_t usedInLast = loopCorners % 8;
        Require(bits.empty() || (bits.size() == (loopCorners + 7) / 8 && (usedInLast == 0 || bits.back() >> usedInLast == 0)),
                "smooth sides");
        return bits;
    }

    std::unique_ptr<Texture> ReadTexture(const json& description, const std::string& where) {
        const auto imageIndex = WholeNumberAt<std::size_t>(description, "image", where);
        const json& images = ArrayAt(content_.document, "images");
        Require(imageIndex < images.size(), "texture image");
        const image::ImageSize size{WholeNumberAt<std::size_t>(description, "width", where),
                                    WholeNumberAt<std::size_t>(description, "height", where)};
        auto texture = std::make_unique<Texture>();
        texture->fileName = description.at("fileName").get<std::string>();
        texture->sScale = description.at("sScale").get<double>();
        texture->tScale = description.at("tScale").get<double>();
        // Materials that shared an image when saved share it again.
        std::shared_ptr<const image::EmbeddableImage>& shared = images_[{imageIndex, size.width, size.height}];
        if (!shared) {
            const json& stored = images[imageIndex];
            auto decoded = std::make_shared<image::EmbeddableImage>();
            const std::string storedAt = MemberOf("/images", imageIndex);
            Require(ReadView(WholeNumberAt<int>(stored, "bufferView", storedAt), decoded->bytes) && !decoded->bytes.empty(),
                    "image data");
            decoded->mimeType = stored.at("mimeType").get<std::string>();
            // The size the file states is what viewers and the outline trust,
            // so it must be the image's own, read from its header.
            const image::ImageOutcome<image::ImageSize> header = image::EmbeddedImageSize(decoded->bytes, decoded->mimeType);
            const auto* actual = std::get_if<image::ImageSize>(&header);
            if (actual == nullptr) throw InvalidStructure("image data", MemberOf(storedAt, "bufferView"));
            if (actual->width != size.width) throw InvalidStructure("texture width", MemberOf(where, "width"));
            if (actual->height != size.height) throw InvalidStructure("texture height", MemberOf(where, "height"));
            decoded->size = size;
            shared = std::move(decoded);
        }
        texture->image = shared;
        return texture;
    }

    std::vector<TextureCoordinate> ReadUvs(const json& description, const std::string& where, std::size_t drawnCount) {
        std::vector<TextureCoordinate> uvs(drawnCount);
        if (!description.contains("uvs")) return uvs;
        std::vector<float> values;
        ReadArray(description, where, "uvs", values, 2);
        Require(values.size() == drawnCount * 2, "texture coordinates");
        for (std::size_t i = 0; i < drawnCount; ++i) uvs[i] = {values[i * 2], values[i * 2 + 1]};
        return uvs;
    }

    std::vector<std::uint32_t> ReadIndices(const json& description, const std::string& where, const char* key,
                                           int indexBytes, std::size_t drawnCount) {
        std::vector<std::uint32_t> indices;
        if (indexBytes == 2) {
            std::vector<std::uint16_t> shortIndices;
            ReadArray(description, where, key, shortIndices, 1);
            indices.assign(shortIndices.begin(), shortIndices.end());
        } else {
            ReadArray(description, where, key, indices, 1);
        }
        for (std::uint32_t index : indices) Require(index < drawnCount, key);
        return indices;
    }

    // An array absent from the description is empty.
    template <typename T>
    void ReadArray(const json& description, const std::string& where, const char* key, std::vector<T>& values,
                   std::size_t groupSize) {
        const int view = WholeNumberOr<int>(description, key, -1, where);
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

bool ReadModelStructure(const GlbContent& content, Model& model, std::string* faultMember) {
    try {
        const json& structure = DescriptionIn(content.document);
        Model loaded;
        StructureReader reader(content, loaded);
        const json& materials = ArrayAt(structure, "materials");
        const std::string materialsAt = MemberOf(kDescriptionPointer, "materials");
        for (std::size_t i = 0; i < materials.size(); ++i) reader.ReadMaterial(materials[i], MemberOf(materialsAt, i));
        const json& definitions = ArrayAt(structure, "definitions");
        for (const auto& definition : definitions) {
            loaded.definitions.push_back(std::make_unique<ComponentDefinition>());
            loaded.definitions.back()->name = definition.at("name").get<std::string>();
        }
        const std::string definitionsAt = MemberOf(kDescriptionPointer, "definitions");
        for (std::size_t i = 0; i < definitions.size(); ++i) {
            reader.ReadEntities(definitions[i].at("entities"), MemberOf(MemberOf(definitionsAt, i), "entities"),
                                loaded.definitions[i]->entities);
        }
        reader.ReadEntities(structure.at("entities"), MemberOf(kDescriptionPointer, "entities"), loaded.entities);
        model = std::move(loaded);
        return true;
    } catch (const nlohmann::json::exception&) {
        return false;
    } catch (const InvalidStructure& invalid) {
        if (faultMember != nullptr) *faultMember = invalid.member;
        return false;
    }
}

}  // namespace korvanta
