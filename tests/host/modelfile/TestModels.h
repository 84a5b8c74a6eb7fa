#pragma once

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ApiTestSupport.h"
#include "Model.h"

// Models for the model-file tests, built directly in memory and described as text.
namespace korvanta::test {

// Where `item` is in the model's list, -1 for none; one that is not there
// throws std::out_of_range.
template <typename T>
long IndexOf(const std::vector<std::unique_ptr<T>>& items, const T* item) {
    const auto found = std::find_if(items.begin(), items.end(), [item](const auto& p) { return p.get() == item; });
    if (item != nullptr && found == items.end()) throw std::out_of_range("a reference outside the model");
    return item == nullptr ? -1 : found - items.begin();
}

Face& AddQuad(Entities& entities, Point3 a, Point3 b, Point3 c, Point3 d, Material* material = nullptr,
              bool textured = false);
// An axis-aligned box from the origin to `size`: six quads over eight vertices and twelve edges.
void AddBox(Entities& entities, Point3 size, Material* material = nullptr);

// The edges of the faces' loops that the entities do not have yet, as filling them would add.
void AddLoopEdges(Entities& entities);

ComponentDefinition& AddDefinition(Model& model, const std::string& name);
// `texture` is the path of a PNG or JPEG image.
Material& AddMaterial(Model& model, const std::string& name, KVColor color, double opacity = 1.0,
                      const std::string& texture = "");
void AddInstance(Entities& entities, ComponentDefinition& definition, const KVTransformation& transform,
                 const std::string& name = "");

// Materials of every kind (plain, transparent, PNG and JPEG textures), several
// definitions (one nested, one empty), instances that move, turn, scale,
// mirror, shear and project, a face with a hole, top-level faces and doubles
// no float can hold.
Model MakeRichModel();

// The whole model as text, doubles exact, for EXPECT_EQ: every difference
// between two models shows as a differing line. A model that points outside
// itself throws std::out_of_range.
std::string Describe(const Model& model);

}  // namespace korvanta::test
