#include "EntitiesCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace korvanta {

namespace {

std::uint64_t EdgeKey(std::uint32_t a, std::uint32_t b) {
    return std::uint64_t{std::min(a, b)} << 32 | std::max(a, b);
}

// Checks one entities of a model; the first fault ends the check.
class EntitiesChecker {
public:
    EntitiesChecker(const Entities& entities, const std::set<const Material*>& materials,
                    const std::set<const ComponentDefinition*>& definitions)
        : entities_(entities), materials_(materials), definitions_(definitions) {}

    std::string Check() {
        if (!CheckVertices() || !CheckEdges() || !CheckFaces() || !CheckEdgesUsed()) return fault_;
        CheckInstances();
        return fault_;
    }

private:
    bool Fail(std::string fault) {
        fault_ = std::move(fault);
        return false;
    }

    bool CheckVertices() {
        for (std::size_t v = 0; v < entities_.vertices.size(); ++v) {
            const Point3& p = entities_.vertices[v];
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
                return Fail("vertex " + std::to_string(v) + " has a position that is not a finite number");
            }
        }
        return true;
    }

    // Lists the edges by their two vertices, lower first, for the faces' sides to find.
    bool CheckEdges() {
        const std::size_t vertexCount = entities_.vertices.size();
        edgeKeys_.reserve(entities_.edges.size());
        for (std::size_t e = 0; e < entities_.edges.size(); ++e) {
            const Edge& edge = entities_.edges[e];
            if (edge.from >= vertexCount || edge.to >= vertexCount) {
                return Fail("edge " + std::to_string(e) + " names a vertex past the " + std::to_string(vertexCount));
            }
            if (edge.from == edge.to)
                return Fail("edge " + std::to_string(e) + " joins vertex " + std::to_string(edge.from) + " to itself");
            edgeKeys_.emplace_back(EdgeKey(edge.from, edge.to), static_cast<std::uint32_t>(e));
        }
        std::sort(edgeKeys_.begin(), edgeKeys_.end());
        std::size_t firstRepeat = entities_.edges.size();
        for (std::size_t i = 1; i < edgeKeys_.size(); ++i) {
            if (edgeKeys_[i].first == edgeKeys_[i - 1].first)
                firstRepeat = std::min<std::size_t>(firstRepeat, edgeKeys_[i].second);
        }
        if (firstRepeat < entities_.edges.size()) {
            return Fail("edge " + std::to_string(firstRepeat) + " joins the same two vertices as an earlier edge");
        }
        edgeUsed_.assign(edgeKeys_.size(), false);
        return true;
    }

    bool CheckFaces() {
        std::vector<bool> loopTaken(entities_.loops.size(), false);
        for (std::size_t f = 0; f < entities_.faces.size(); ++f) {
            const Face& face = entities_.faces[f];
            const std::string name = "face " + std::to_string(f);
            if (face.loopCount == 0 || face.firstLoop > entities_.loops.size() ||
                face.loopCount > entities_.loops.size() - face.firstLoop) {
                return Fail(name + " has loops outside the entities' " + std::to_string(entities_.loops.size()));
            }
            for (std::uint32_t l = face.firstLoop; l < face.firstLoop + face.loopCount; ++l) {
                if (loopTaken[l]) return Fail(name + " shares loop " + std::to_string(l) + " with an earlier face");
                loopTaken[l] = true;
                if (!CheckLoop(entities_.loops[l], name + ", loop " + std::to_string(l - face.firstLoop))) return false;
            }
            if (face.triangleCount == 0 || face.firstTriangle > entities_.triangles.size() ||
                face.triangleCount > entities_.triangles.size() - face.firstTriangle) {
                return Fail(name + " has triangles outside the entities' " +
                            std::to_string(entities_.triangles.size()));
            }
            for (const Triangle& triangle : entities_.TrianglesOf(face)) {
                for (std::uint32_t corner : triangle.corners) {
                    if (corner >= entities_.corners.size()) {
                        return Fail(name + " has a triangle corner past the entities' " +
                                    std::to_string(entities_.corners.size()));
                    }
                }
            }
            if (face.frontMaterial != nullptr && !materials_.contains(face.frontMaterial)) {
                return Fail(name + " has a material that is not the model's");
            }
            if (face.textured && face.frontMaterial == nullptr) return Fail(name + " is textured but has no material");
        }
        return true;
    }

    bool CheckLoop(const Loop& loop, const std::string& name) {
        if (loop.cornerCount < 3) return Fail(name + " has " + std::to_string(loop.cornerCount) + " corners");
        if (loop.firstCorner > entities_.corners.size() ||
            loop.cornerCount > entities_.corners.size() - loop.firstCorner) {
            return Fail(name + " has corners outside the entities' " + std::to_string(entities_.corners.size()));
        }
        const std::span<const Corner> corners = entities_.CornersOf(loop);
        for (std::size_t c = 0; c < corners.size(); ++c) {
            if (corners[c].vertex >= entities_.vertices.size()) {
                return Fail(name + ", corner " + std::to_string(c) + " names vertex " +
                            std::to_string(corners[c].vertex) + " past the " +
                            std::to_string(entities_.vertices.size()));
            }
        }
        for (std::size_t c = 0; c < corners.size(); ++c) {
            const std::size_t next = c + 1 < corners.size() ? c + 1 : 0;
            const std::uint32_t from = corners[c].vertex, to = corners[next].vertex;
            const std::string side = name + " does not close: the side from corner " + std::to_string(c) +
                                     " to corner " + std::to_string(next);
            if (from == to) return Fail(side + " stays at vertex " + std::to_string(from));
            const auto found =
                std::lower_bound(edgeKeys_.begin(), edgeKeys_.end(), std::pair{EdgeKey(from, to), std::uint32_t{0}});
            if (found == edgeKeys_.end() || found->first != EdgeKey(from, to)) {
                return Fail(side + " (vertices " + std::to_string(from) + " and " + std::to_string(to) +
                            ") is no edge");
            }
            edgeUsed_[static_cast<std::size_t>(found - edgeKeys_.begin())] = true;
        }
        return true;
    }

    bool CheckEdgesUsed() {
        std::size_t firstUnused = entities_.edges.size();
        for (std::size_t i = 0; i < edgeKeys_.size(); ++i) {
            if (!edgeUsed_[i]) firstUnused = std::min<std::size_t>(firstUnused, edgeKeys_[i].second);
        }
        if (firstUnused < entities_.edges.size())
            return Fail("edge " + std::to_string(firstUnused) + " is no face's side");
        return true;
    }

    void CheckInstances() {
        for (std::size_t i = 0; i < entities_.instances.size(); ++i) {
            if (!definitions_.contains(entities_.instances[i]->definition)) {
                Fail("instance " + std::to_string(i) + " places a definition that is not the model's");
                return;
            }
        }
    }

    const Entities& entities_;
    const std::set<const Material*>& materials_;
    const std::set<const ComponentDefinition*>& definitions_;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> edgeKeys_;  // sorted: vertices' key, edge number
    std::vector<bool> edgeUsed_;                                     // by place in edgeKeys_
    std::string fault_;
};

}  // namespace

std::string CheckEntities(const Model& model) {
    std::set<const Material*> materials;
    for (const auto& material : model.materials) materials.insert(material.get());
    std::set<const ComponentDefinition*> definitions;
    for (const auto& definition : model.definitions) definitions.insert(definition.get());

    if (std::string fault = EntitiesChecker(model.entities, materials, definitions).Check(); !fault.empty()) {
        return "model entities: " + fault;
    }
    for (std::size_t d = 0; d < model.definitions.size(); ++d) {
        const ComponentDefinition& definition = *model.definitions[d];
        if (std::string fault = EntitiesChecker(definition.entities, materials, definitions).Check(); !fault.empty()) {
            return "definition " + std::to_string(d) + " \"" + definition.name + "\": " + fault;
        }
    }
    return {};
}

}  // namespace korvanta
