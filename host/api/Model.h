#pragma once

// The host's in-memory model, behind the opaque references of the C API.
// A reference's `ptr` points at one of these objects.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "EmbeddableImage.h"
#include "KorvantaAPI.h"

namespace korvanta {

// The model numbers its vertices, corners, edges and faces with 32 bits; this
// number names none of them.
inline constexpr std::uint32_t kNoIndex = 0xffffffffu;

// A count or position within the model's arrays as the model stores it; the
// caller has made sure it is below kNoIndex.
inline std::uint32_t StoredIndex(std::size_t size) { return static_cast<std::uint32_t>(size); }

struct Point3 {
    double x = 0.0, y = 0.0, z = 0.0;
};

// Single precision, as the model file stores them and as 3DS files give them:
// a face of a large scene keeps three of these.
struct TextureCoordinate {
    float u = 0.0f, v = 0.0f;
};

struct Texture {
    std::string fileName;  // the name it was loaded from, without folder
    // Never null. Textures loaded from one file share it, and the model file
    // stores it once.
    std::shared_ptr<const image::EmbeddableImage> image;
    double sScale = 1.0;
    double tScale = 1.0;
};

struct Material {
    std::string name;
    KVColor color{255, 255, 255, 255};
    double opacity = 1.0;
    std::unique_ptr<Texture> texture;
};

// One corner of a face's loop or triangle: a vertex of the owning Entities
// and, on textured faces, its texture coordinate.
struct Corner {
    std::uint32_t vertex = 0;
    TextureCoordinate uv;
};

// A run of the owning Entities' corners; counter-clockwise seen from the
// front for an outer loop, clockwise for a hole.
struct Loop {
    std::uint32_t firstCorner = 0;
    std::uint32_t cornerCount = 0;
};

// Three of the owning Entities' corners.
struct Triangle {
    std::array<std::uint32_t, 3> corners{};
};

// A face's loops and triangles are runs of its Entities' lists, so that
// building millions of faces allocates nothing per face.
struct Face {
    std::uint32_t firstLoop = 0;  // the outer loop; the rest of the run are holes
    std::uint32_t loopCount = 0;
    // The face's tessellation, kept through merging so that drawing never
    // needs to re-triangulate polygons with holes.
    std::uint32_t firstTriangle = 0;
    std::uint32_t triangleCount = 0;
    Material* frontMaterial = nullptr;
    bool textured = false;
};

struct Edge {
    std::uint32_t from = 0;
    std::uint32_t to = 0;
};

struct ComponentDefinition;

struct ComponentInstance {
    ComponentDefinition* definition = nullptr;
    KVTransformation transform{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    std::string name;
};

struct Entities {
    std::vector<Point3> vertices;
    std::vector<Edge> edges;  // each undirected edge once, shared by the faces that use it
    // Per edge, 1 when it is smooth: the faces on either side are drawn as
    // one surface along it. Empty while every edge is hard, as in most models.
    std::vector<std::uint8_t> smoothEdges;
    std::vector<Face> faces;
    std::vector<Loop> loops;
    // Loops' corners, and corners that only triangles use: a merged face's
    // triangles keep the corners of the faces it was merged from.
    std::vector<Corner> corners;
    std::vector<Triangle> triangles;
    std::vector<std::unique_ptr<ComponentInstance>> instances;
    std::size_t skippedFaces = 0;

    std::span<const Loop> LoopsOf(const Face& face) const { return {loops.data() + face.firstLoop, face.loopCount}; }
    std::span<const Corner> CornersOf(const Loop& loop) const {
        return {corners.data() + loop.firstCorner, loop.cornerCount};
    }
    std::span<const Triangle> TrianglesOf(const Face& face) const {
        return {triangles.data() + face.firstTriangle, face.triangleCount};
    }
    bool IsSmooth(std::uint32_t edge) const { return edge < smoothEdges.size() && smoothEdges[edge] != 0; }
    void MarkSmooth(std::uint32_t edge) {
        if (smoothEdges.size() <= edge) smoothEdges.resize(edges.size(), 0);
        smoothEdges[edge] = 1;
    }
};

struct ComponentDefinition {
    std::string name;
    Entities entities;
};

struct Model {
    std::vector<std::unique_ptr<Material>> materials;
    std::vector<std::unique_ptr<ComponentDefinition>> definitions;
    Entities entities;
};

}  // namespace korvanta
