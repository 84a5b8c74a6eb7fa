#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include <tiny_gltf.h>

#include "KorvantaAPI.h"
#include "Model.h"
#include "ModelFileBuffer.h"

namespace korvanta {

// The glTF material each host material became; it is also the material's
// place in the model's list.
using GltfMaterialIndices = std::unordered_map<const Material*, int>;

// How one set of entities is drawn, shared by the viewer's mesh and the
// model's structure so that neither works it out again: a table of drawn
// vertices, the entities' own vertices first (drawn vertex v is vertex v)
// and after them a copy of a vertex for each further texture coordinate its
// corners have. Corners name drawn vertices. Besides, what the file's
// layout needs to know of the faces before any array is made.
struct DrawnEntities {
    // Per corner of the entities the drawn vertex it names; empty when every
    // corner names its own vertex, as when no vertex needs a copy.
    std::vector<std::uint32_t> cornerDrawn;
    std::vector<std::uint32_t> copiedVertex;   // per drawn vertex past the entities' own
    std::vector<TextureCoordinate> uvs;        // per drawn vertex, as the model holds them
    // Per drawn vertex the normal a drawing shows there, when an edge is
    // smooth; empty when every face is drawn flat. Corners of one vertex
    // with different normals name different drawn vertices, so that hard
    // edges split the vertices along them.
    std::vector<std::array<float, 3>> normals;
    // With smooth edges, which sides of the faces' loops are smooth, as
    // SmoothCornerNormals gives them; the model's structure stores them.
    std::vector<std::uint8_t> smoothSides;
    bool anyUv = false;             // a drawn vertex has a texture coordinate other than (0, 0)
    bool singlePrecision = true;    // every vertex position is exact in single precision
    std::array<float, 3> low{}, high{};  // bounds of the single-precision positions

    // The faces' triangles in one primitive per glTF material (-1 for none)
    // and texturing, in that order, each with the number of its indices.
    struct Primitive {
        int material = -1;
        bool textured = false;
        // Texture coordinates go with every primitive whose material has a
        // texture, as glTF asks; faces without a mapping of their own hold
        // (0, 0) at every corner.
        bool hasUvs = false;
        std::size_t indexCount = 0;
        int indicesAccessor = -1;
        int indicesView = -1;
    };
    std::vector<Primitive> primitives;
    // The faces as the model's structure stores them: whether every face is
    // a plain triangle (one loop of three corners, its one triangle), whether
    // all share one material and texturing, and how many corners the loops
    // have in all, loops and triangles the other faces have.
    bool allPlain = true;
    bool oneMaterial = true;
    std::size_t loopCorners = 0;
    std::size_t otherFaces = 0;
    std::size_t otherLoops = 0;
    std::size_t otherTriangles = 0;

    // Buffer views and accessors laid out so far (-1 for none yet).
    int positionsView = -1;  // single-precision positions of the drawn vertices
    int positionsAccessor = -1;
    int uvAccessor = -1;
    int normalAccessor = -1;

    std::size_t Count() const { return uvs.size(); }
    // Indices of drawn vertices take two bytes where that is enough.
    bool ShortIndices() const { return Count() < 0xFFFF; }
    std::uint32_t DrawnOf(const Entities& entities, std::uint32_t corner) const {
        return cornerDrawn.empty() ? entities.corners[corner].vertex : cornerDrawn[corner];
    }
};

DrawnEntities DrawEntities(const Entities& entities, const GltfMaterialIndices& materials);

// The glTF material of a face: its place in the model's list, or -1.
int GltfMaterialOf(const Face& face, const GltfMaterialIndices& materials);

// A face whose one loop is a triangle and whose one triangle is that loop,
// corner for corner: what almost every imported face is. Its corners are
// all the file stores of it.
bool IsPlainTriangle(const Entities& entities, const Face& face);

// The view of the drawn vertices' positions in single precision, laid out once.
int DrawnPositionsView(const Entities& entities, DrawnEntities& drawn, GltfBufferWriter& buffer);

// Lays out a view of indices of drawn vertices, in two bytes each where that
// is enough; `make(emit)` hands them to emit(index) one by one.
template <typename Make>
int AddDrawnIndices(const DrawnEntities& drawn, std::size_t count, Make make, GltfBufferWriter& buffer, int target = 0) {
    if (drawn.ShortIndices()) {
        return buffer.AddArray<std::uint16_t>(count, [make](ArrayEmitter<std::uint16_t>& emit) {
            make([&emit](std::uint32_t index) { emit(static_cast<std::uint16_t>(index)); });
        }, target);
    }
    return buffer.AddArray<std::uint32_t>(count, [make](ArrayEmitter<std::uint32_t>& emit) {
        make([&emit](std::uint32_t index) { emit(index); });
    }, target);
}

// Adds a glTF mesh that draws the faces' triangles, one primitive per
// material and texturing, with the drawn vertices' normals when there are
// any; without them glTF viewers shade a mesh flat, as host faces are meant
// where no edge is smooth. `bake`, when given, is applied to the positions
// and normals (for instances whose transform a node cannot hold); the
// baked mesh shares everything else with the plain one. Returns the mesh
// index, or -1 when there is nothing to draw. What it lays out reads
// `entities`, `drawn` and `materials` until the buffer is written.
int AddFacesMesh(const Entities& entities, DrawnEntities& drawn, const std::string& name,
                 const GltfMaterialIndices& materials, const KVTransformation* bake, GltfBufferWriter& buffer,
                 tinygltf::Model& gltf);

}  // namespace korvanta
