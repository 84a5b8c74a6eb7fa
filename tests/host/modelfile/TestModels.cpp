#include "TestModels.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <limits>
#include <numeric>
#include <set>
#include <tuple>
#include <sstream>
#include <string_view>

#include "ProcessRunner.h"

namespace korvanta::test {
namespace {

std::uint32_t AddVertex(Entities& entities, Point3 point) {
    entities.vertices.push_back(point);
    return static_cast<std::uint32_t>(entities.vertices.size() - 1);
}

// A face over existing vertices: its loops (the outer first) and triangles.
// Textured faces get coordinates that follow x and y, so every corner's differs.
Face& AddFace(Entities& entities, const std::vector<std::vector<std::uint32_t>>& loops,
              const std::vector<std::array<std::uint32_t, 3>>& triangles, Material* material, bool textured = false) {
    const auto count = [](std::size_t size) { return static_cast<std::uint32_t>(size); };
    const auto addCorner = [&](std::uint32_t vertex) {
        const Point3& p = entities.vertices[vertex];
        entities.corners.push_back({vertex, {static_cast<float>(p.x / 10.0 + p.z / 20.0), static_cast<float>(p.y / 10.0)}});
        return count(entities.corners.size() - 1);
    };
    Face& face = entities.faces.emplace_back();
    face.frontMaterial = material;
    face.textured = textured;
    face.firstLoop = count(entities.loops.size());
    face.loopCount = count(loops.size());
    for (const auto& loop : loops) {
        entities.loops.push_back({count(entities.corners.size()), count(loop.size())});
        for (std::uint32_t vertex : loop) addCorner(vertex);
    }
    // The triangles get corners of their own, as those of merged faces have.
    face.firstTriangle = count(entities.triangles.size());
    face.triangleCount = count(triangles.size());
    for (const auto& [a, b, c] : triangles) entities.triangles.push_back({{addCorner(a), addCorner(b), addCorner(c)}});
    return face;
}

void DescribeEntities(std::ostream& out, const Model& model, const Entities& entities) {
    const auto vertex = [&entities](std::uint32_t index) {
        static_cast<void>(entities.vertices.at(index));
        return index;
    };
    const auto corners = [&](const char* what, const auto& indices) {
        out << "\n    " << what;
        for (std::size_t index : indices) {
            const Corner& corner = entities.corners.at(index);
            out << ' ' << vertex(corner.vertex) << '(' << corner.uv.u << ' ' << corner.uv.v << ')';
        }
    };
    for (const Point3& p : entities.vertices) out << "  vertex " << p.x << ' ' << p.y << ' ' << p.z << '\n';
    // Edges are a set: their order and direction mean nothing.
    std::set<std::tuple<std::uint32_t, std::uint32_t, bool>> edges;
    for (std::uint32_t e = 0; e < entities.edges.size(); ++e) {
        const auto [from, to] = std::minmax({vertex(entities.edges[e].from), vertex(entities.edges[e].to)});
        edges.emplace(from, to, entities.IsSmooth(e));
    }
    for (const auto& [from, to, smooth] : edges) out << "  edge " << from << ' ' << to << (smooth ? " smooth\n" : "\n");
    out << "  skipped " << entities.skippedFaces << '\n';
    for (const Face& face : entities.faces) {
        out << "  face material " << IndexOf(model.materials, face.frontMaterial) << " textured " << face.textured;
        for (std::size_t l = 0; l < face.loopCount; ++l) {
            const Loop& loop = entities.loops.at(face.firstLoop + l);
            std::vector<std::size_t> run(loop.cornerCount);
            std::iota(run.begin(), run.end(), std::size_t{loop.firstCorner});
            corners("loop", run);
        }
        for (std::size_t t = 0; t < face.triangleCount; ++t) corners("triangle", entities.triangles.at(face.firstTriangle + t).corners);
        out << '\n';
    }
    for (const auto& instance : entities.instances) {
        out << "  instance '" << instance->name << "' of " << IndexOf(model.definitions, instance->definition);
        for (double value : instance->transform.values) out << ' ' << value;
        out << '\n';
    }
}

}  // namespace

void AddLoopEdges(Entities& entities) {
    std::set<std::pair<std::uint32_t, std::uint32_t>> known;
    for (const Edge& edge : entities.edges) known.insert(std::minmax(edge.from, edge.to));
    for (const Face& face : entities.faces) {
        for (const Loop& loop : entities.LoopsOf(face)) {
            const auto corners = entities.CornersOf(loop);
            for (std::size_t c = 0; c < corners.size(); ++c) {
                const std::uint32_t a = corners[c].vertex, b = corners[(c + 1) % corners.size()].vertex;
                if (known.insert(std::minmax(a, b)).second) entities.edges.push_back({a, b});
            }
        }
    }
}

Face& AddQuad(Entities& entities, Point3 a, Point3 b, Point3 c, Point3 d, Material* material, bool textured) {
    const std::uint32_t ia = AddVertex(entities, a), ib = AddVertex(entities, b), ic = AddVertex(entities, c);
    const std::uint32_t id = AddVertex(entities, d);
    return AddFace(entities, {{ia, ib, ic, id}}, {{ia, ib, ic}, {ia, ic, id}}, material, textured);
}

void AddBox(Entities& entities, Point3 size, Material* material) {
    const auto first = static_cast<std::uint32_t>(entities.vertices.size());
    for (int k = 0; k < 8; ++k) AddVertex(entities, {k & 1 ? size.x : 0.0, k & 2 ? size.y : 0.0, k & 4 ? size.z : 0.0});
    for (const auto& q : {std::array{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}}) {
        const std::uint32_t a = first + q[0], b = first + q[1], c = first + q[2], d = first + q[3];
        AddFace(entities, {{a, b, c, d}}, {{a, b, c}, {a, c, d}}, material);
    }
    AddLoopEdges(entities);
}

ComponentDefinition& AddDefinition(Model& model, const std::string& name) {
    return *model.definitions.emplace_back(std::make_unique<ComponentDefinition>(name));
}

Material& AddMaterial(Model& model, const std::string& name, KVColor color, double opacity, const std::string& texture) {
    Material& material = *model.materials.emplace_back(std::make_unique<Material>(name, color, opacity));
    if (texture.empty()) return material;
    const std::string bytes = ReadFile(texture);
    auto decoded = image::ToEmbeddableImage(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    material.texture = std::make_unique<Texture>(
        std::filesystem::path(texture).filename(),
        std::make_shared<const image::EmbeddableImage>(std::move(std::get<image::EmbeddableImage>(decoded))), 12.5, 0.75);
    return material;
}

void AddInstance(Entities& entities, ComponentDefinition& definition, const KVTransformation& transform,
                 const std::string& name) {
    entities.instances.push_back(std::make_unique<ComponentInstance>(&definition, transform, name));
}

Model MakeRichModel() {
    Model model;
    Material& red = AddMaterial(model, "Red brick", {200, 40, 30, 255});
    Material& glass = AddMaterial(model, "Glass", {180, 220, 255, 128}, 0.35);
    Material& png = AddMaterial(model, "Painted", {255, 255, 255, 255}, 1.0, "/usr/share/glmark2/textures/desktop-shadow-corner.png");
    Material& jpeg = AddMaterial(model, "Stone \xC3\xA9", {90, 90, 90, 255}, 0.9, "/usr/share/assimp/models/OBJ/engineflare1.jpg");

    ComponentDefinition& box = AddDefinition(model, "Box");
    AddBox(box.entities, {10, 20, 30}, &red);
    box.entities.faces[1].frontMaterial = &png;
    box.entities.faces[1].textured = true;
    box.entities.faces[2].frontMaterial = nullptr;
    box.entities.skippedFaces = 3;

    // A 40 x 40 square with a 10 x 10 hole, in eight triangles.
    ComponentDefinition& frame = AddDefinition(model, "Frame with hole");
    std::vector<std::uint32_t> outer, inner;
    for (const auto& [x, y] : {std::pair{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}) {
        outer.push_back(AddVertex(frame.entities, {x * 20.0, y * 20.0, 0}));
        inner.push_back(AddVertex(frame.entities, {x * 5.0, y * 5.0, 0}));
    }
    std::vector<std::array<std::uint32_t, 3>> triangles;
    for (std::size_t k = 0, next = 1; k < 4; ++k, next = (k + 1) % 4) {
        triangles.push_back({outer[k], outer[next], inner[next]});
        triangles.push_back({outer[k], inner[next], inner[k]});
    }
    AddFace(frame.entities, {outer, {inner.rbegin(), inner.rend()}}, triangles, &jpeg, true);
    AddQuad(frame.entities, {0, 0, 5}, {4, 0, 5}, {4, 4, 5}, {0, 4, 5}, &glass);

    ComponentDefinition& group = AddDefinition(model, "Group");
    AddInstance(group.entities, box, Translation(-5, 0, 0), "inner box");
    Face& precise = AddQuad(group.entities, {0.1 + 0.2, 1e-300, -0.0}, {1e30, std::nextafter(1.0, 2.0), 3},
                            {std::numeric_limits<double>::denorm_min(), 1.0 / 3.0, 7}, {-123456789.123456789, 0, 1},
                            &png, true);
    group.entities.corners[group.entities.loops[precise.firstLoop].firstCorner + 1].uv = {-2.5e-17, 1e17};

    AddDefinition(model, "Nothing");
    // Matrices no glTF node can hold go into the positions instead.
    ComponentDefinition& holder = AddDefinition(model, "Holder");
    AddInstance(holder.entities, box, {{2, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 3, 0, 0, 1}}, "sheared inside");

    AddInstance(model.entities, box, Translation(100, 0, 0), "first box");
    AddInstance(model.entities, box, {{0, 2, 0, 0, -2, 0, 0, 0, 0, 0, 2, 0, 0, 50, 0, 1}});  // quarter turn, doubled
    AddInstance(model.entities, frame, {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1}}, "mirrored");
    AddInstance(model.entities, group, Translation(1.0 / 7.0, -1e-9, 12.345678901234567));
    AddInstance(model.entities, box, {{1, 0, 0, 0, 0.5, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}, "sheared");
    AddInstance(model.entities, box, {{0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}, "flattened");
    AddInstance(model.entities, box, {{1, 0, 0, 0.01, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}, "projective");
    AddInstance(model.entities, holder, Translation(5, 5, 5));
    AddQuad(model.entities, {-50, -50, 0}, {50, -50, 0}, {50, 50, 0}, {-50, 50, 0}, &red);
    AddLoopEdges(model.entities);
    for (const auto& definition : model.definitions) AddLoopEdges(definition->entities);
    // Two of the box's edges smooth: its copies then carry normals, turned
    // with them where a node cannot hold the placement.
    box.entities.MarkSmooth(0);
    box.entities.MarkSmooth(5);
    return model;
}

std::string Describe(const Model& model) {
    std::ostringstream out;
    out << std::hexfloat;
    for (const auto& m : model.materials) {
        out << "material '" << m->name << "' " << +m->color.red << ' ' << +m->color.green << ' ' << +m->color.blue
            << ' ' << +m->color.alpha << " opacity " << m->opacity;
        if (const Texture* t = m->texture.get()) {
            const image::EmbeddableImage& i = *t->image;
            const std::string_view bytes(reinterpret_cast<const char*>(i.bytes.data()), i.bytes.size());
            out << " texture " << t->fileName << ' ' << i.mimeType << ' ' << i.size.width << 'x' << i.size.height << ' '
                << t->sScale << ' ' << t->tScale << " bytes " << std::hash<std::string_view>{}(bytes);
        }
        out << '\n';
    }
    for (const auto& definition : model.definitions) {
        out << "definition '" << definition->name << "'\n";
        DescribeEntities(out, model, definition->entities);
    }
    out << "top level\n";
    DescribeEntities(out, model, model.entities);
    return out.str();
}

}  // namespace korvanta::test
