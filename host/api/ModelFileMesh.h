#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include <tiny_gltf.h>

#include "KorvantaAPI.h"
#include "Model.h"
#include "ModelFileBuffer.h"

namespace korvanta {

// The glTF material each host material became.
using GltfMaterialIndices = std::unordered_map<const Material*, int>;

// How one set of entities is drawn, shared by the viewer's mesh and the
// model's structure so that neither stores it again: a table of drawn
// vertices, the entities' own vertices first (drawn vertex v is vertex v)
// and after them a copy of a vertex for each further texture coordinate its
// corners have. Corners name drawn vertices.
struct DrawnEntities {
    std::vector<std::uint32_t> cornerDrawn;    // per corner of the entities
    std::vector<std::uint32_t> copiedVertex;   // per drawn vertex past the entities' own
    std::vector<TextureCoordinate> uvs;        // per drawn vertex, as the model holds them

    // Buffer views and accessors made so far (-1 for none yet).
    int positionsView = -1;  // single-precision positions of the drawn vertices
    int positionsAccessor = -1;
    int uvAccessor = -1;
    struct Primitive {
        int material = -1;
        // Texture coordinates go with every primitive whose material has a
        // texture, as glTF asks; faces without a mapping of their own hold
        // (0, 0) at every corner.
        bool hasUvs = false;
        int indicesAccessor = -1;
        int indicesView = -1;
    };
    std::vector<Primitive> primitives;

    std::size_t Count() const { return uvs.size(); }
    // Indices of drawn vertices take two bytes where that is enough.
    bool ShortIndices() const { return Count() < 0xFFFF; }
};

DrawnEntities DrawEntities(const Entities& entities);

// The view of the drawn vertices' positions in single precision, made once.
int DrawnPositionsView(const Entities& entities, DrawnEntities& drawn, GltfBufferWriter& buffer);

// Adds a glTF mesh that draws the faces' triangles, one primitive per
// material and texturing, without normals: glTF viewers shade a mesh
// without them flat, as host faces are meant. `bake`, when given, is applied
// to the positions (for instances whose transform a node cannot hold); the
// baked mesh shares everything else with the plain one. Returns the mesh
// index, or -1 when there is nothing to draw.
int AddFacesMesh(const Entities& entities, DrawnEntities& drawn, const std::string& name,
                 const GltfMaterialIndices& materials, const KVTransformation* bake, GltfBufferWriter& buffer,
                 tinygltf::Model& gltf);

// The buffer bytes the drawn entities take at most, their structure included.
std::size_t DrawnEntitiesBytesAtMost(const Entities& entities);

}  // namespace korvanta
