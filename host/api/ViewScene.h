#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The scene a viewer draws of a model file: the glTF scene that
// ModelFileScene.cpp writes beside the model's own structure, read back
// without the structure, with the checks of the model file's other readers
// and in plain arrays a viewer hands to its renderer as they are. A model
// file of a few kilobytes can place a part a million times: what drawing it
// asks (placements and triangles) is counted from the model's description
// and set against the memory there is before anything is built.
namespace korvanta {

struct ViewerRates;

// A box along the axes.
struct ViewBox {
    std::array<float, 3> low{};
    std::array<float, 3> high{};
};

// A 4 by 4 matrix, column after column, as glTF has it.
using ViewMatrix = std::array<float, 16>;
inline constexpr ViewMatrix kViewIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// A glTF node: its transform, its mesh, and its children, which are a run
// of ViewScene::children.
struct ViewNode {
    ViewMatrix transform = kViewIdentity;
    int mesh = -1;  // in ViewScene::meshes
    int firstChild = 0;
    int childCount = 0;
};

// One glTF mesh: its vertices in one array, its primitives' triangles one
// after another in another, each primitive a part of its own. Meshes the
// file gives the same arrays share them.
struct ViewMesh {
    // Per vertex its position (three floats), its normal when `smooth`
    // (three floats, in the mesh's coordinates) and its texture coordinate
    // when `textured` (two floats). A mesh without normals is drawn flat.
    std::shared_ptr<const std::vector<std::byte>> vertices;
    bool smooth = false;
    bool textured = false;
    // Vertex numbers, two bytes each, or four with `wideIndices`; each names
    // a vertex there is.
    std::shared_ptr<const std::vector<std::byte>> indices;
    bool wideIndices = false;
    struct Part {
        int firstIndex = 0;
        int indexCount = 0;  // a multiple of three, never 0
        int material = -1;   // in ViewScene::materials; -1 for glTF's default material
        ViewBox box;         // of the part's vertices
    };
    std::vector<Part> parts;
    ViewBox box;  // of all parts
    // Where the scene places the mesh: per placement the first three rows
    // of its matrix in the scene, row after row (kPlacementFloats).
    std::vector<float> placements;

    static constexpr std::size_t kPlacementFloats = 12;
    std::size_t PlacementCount() const { return placements.size() / kPlacementFloats; }
    std::size_t Stride() const { return (3 + (smooth ? 3 : 0) + (textured ? 2 : 0)) * sizeof(float); }
};

// A glTF material, with glTF's defaults for what the file leaves out.
struct ViewMaterial {
    enum class Alpha { Opaque, Mask, Blend };
    std::string name;
    std::array<float, 4> baseColour{1, 1, 1, 1};  // red, green, blue and opacity, each in 0..1
    int texture = -1;                             // in ViewScene::textures
    float metalness = 1.0f;
    float roughness = 1.0f;
    Alpha alpha = Alpha::Opaque;
    float alphaCutoff = 0.5f;
    bool doubleSided = false;
};

// A texture: its image and how it is sampled (glTF's filters and wraps,
// without their mipmaps).
struct ViewTexture {
    enum class Filter { Nearest, Linear };
    enum class Wrap { Repeat, ClampToEdge, MirroredRepeat };
    int image = -1;  // in ViewScene::images
    Filter magnification = Filter::Linear;
    Filter minification = Filter::Linear;
    Wrap wrapS = Wrap::Repeat;
    Wrap wrapT = Wrap::Repeat;
};

// An image the file embeds: its name (the texture's file name as the model
// has it) and, when it is PNG or JPEG, its encoded bytes; not decoded here.
struct ViewImage {
    std::string name;
    std::string mimeType;
    std::vector<std::uint8_t> bytes;
};

struct ViewScene {
    std::vector<ViewNode> nodes;  // numbered as in the file
    std::vector<int> children;    // the nodes' children, node after node
    std::vector<int> roots;       // of the scene shown; they and all below form a tree
    std::vector<ViewMesh> meshes;
    std::vector<ViewMaterial> materials;
    std::vector<ViewTexture> textures;
    std::vector<ViewImage> images;
    // Of all the meshes placed, in the scene's coordinates; none when nothing is drawn.
    std::optional<ViewBox> box;

    std::span<const int> ChildrenOf(const ViewNode& node) const {
        return std::span<const int>(children).subspan(static_cast<std::size_t>(node.firstChild),
                                                      static_cast<std::size_t>(node.childCount));
    }
};

enum class ViewSceneFault {
    None,
    Unreadable,     // the file cannot be opened or read: `error` says why
    NotGlb,         // not a GLB of version 2, or its chunks do not fit the file
    Json,           // its JSON is not one strict JSON object (see StrictJson.h)
    NoDescription,  // no model description whose instances hold together, to count its demand from
    OverMemory,     // drawing it needs more memory than there is (the demand below)
    Member,         // a member is missing, of another type, or names something there is not
    Arrays,         // an array does not lie within the binary chunk as its type says
    Index,          // a triangle names a vertex there is not
    NotATree,       // a node is reached twice from the scene's roots
    Placement,      // a placement flattens its mesh or is not finite, or is one more than was counted
    OutOfMemory,    // the process could take no more memory while reading
};

// What is wrong with a file's view scene, and where: the byte of the file
// for NotGlb, Json and Arrays where one is known, the member concerned (a
// JSON pointer) for Json, Member, Arrays, Index and Placement.
struct ViewSceneVerdict {
    ViewSceneFault fault = ViewSceneFault::None;
    std::uint64_t offset = 0;
    std::string member;
    int error = 0;  // errno, for Unreadable
    // For OverMemory: the placements and stored triangles the viewer would
    // hold, the bytes that takes at the viewer's rates and the bytes available.
    std::uint64_t placements = 0, triangles = 0, memoryNeeded = 0, memoryAvailable = 0;
};

// Reads the view scene of the model file at `path`: of its binary data only
// what the scene draws. Refuses, before building anything, a model whose
// demand at `rates` exceeds `memoryAvailable`. `scene` holds the scene when
// the verdict has no fault and is empty otherwise. For any thread.
ViewSceneVerdict ReadViewScene(const std::string& path, const ViewerRates& rates, std::uint64_t memoryAvailable,
                               ViewScene& scene);

// Calls visit(index, node, its transform in the scene) for every node below
// the scene's roots, down the tree, last child first: the order in which
// each mesh's placements are listed. The scene holds together (see
// ViewSceneCheck.h).
template <typename Visit>
void WalkViewScene(const ViewScene& scene, Visit visit);

// a times b.
ViewMatrix Multiply(const ViewMatrix& a, const ViewMatrix& b);

template <typename Visit>
void WalkViewScene(const ViewScene& scene, Visit visit) {
    struct Pending {
        int index;
        ViewMatrix above;
    };
    std::vector<Pending> pending;
    for (const int root : scene.roots) pending.push_back({root, kViewIdentity});
    while (!pending.empty()) {
        const Pending next = pending.back();
        pending.pop_back();
        const ViewNode& node = scene.nodes[static_cast<std::size_t>(next.index)];
        const ViewMatrix placed = Multiply(next.above, node.transform);
        visit(next.index, node, placed);
        for (const int child : scene.ChildrenOf(node)) pending.push_back({child, placed});
    }
}

}  // namespace korvanta
