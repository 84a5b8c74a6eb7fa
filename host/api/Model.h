#pragma once

// The host's in-memory model, behind the opaque references of the C API.
// A reference's `ptr` points at one of these objects.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KorvantaAPI.h"

namespace korvanta {

struct Point3 {
    double x = 0.0, y = 0.0, z = 0.0;
};

struct TextureCoordinate {
    double u = 0.0, v = 0.0;
};

struct Texture {
    std::string fileName;              // the name it was loaded from, without folder
    std::string mimeType;              // "image/png" or "image/jpeg"
    std::vector<std::uint8_t> encoded; // PNG and JPEG as read; other formats re-encoded as PNG
    std::size_t width = 0;
    std::size_t height = 0;
    double sScale = 1.0;
    double tScale = 1.0;
};

struct Material {
    std::string name;
    KVColor color{255, 255, 255, 255};
    double opacity = 1.0;
    std::unique_ptr<Texture> texture;
};

// One corner of a face: a vertex of the owning Entities and, on textured
// faces, its texture coordinate.
struct Corner {
    std::uint32_t vertex = 0;
    TextureCoordinate uv;
};

struct Loop {
    std::vector<Corner> corners;  // counter-clockwise seen from the front for the outer loop
};

struct Triangle {
    Corner corners[3];
};

struct Face {
    std::vector<Loop> loops;  // loops[0] is the outer loop, the rest are holes
    Material* frontMaterial = nullptr;
    bool textured = false;
    // The face's tessellation, kept through merging so that drawing never
    // needs to re-triangulate polygons with holes.
    std::vector<Triangle> triangles;
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
    std::vector<Face> faces;
    std::vector<std::unique_ptr<ComponentInstance>> instances;
    std::size_t skippedFaces = 0;
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
