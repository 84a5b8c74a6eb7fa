#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "Model.h"

// Models for the model-file tests, built directly in memory and described as text.
namespace korvanta::test {

std::uint32_t AddVertex(Entities& entities, Point3 point);
// A face over existing vertices: its loops (the outer first) and triangles.
// Textured faces get coordinates that follow x and y, so every corner's differs.
Face& AddFace(Entities& entities, const std::vector<std::vector<std::uint32_t>>& loops,
              const std::vector<std::array<std::uint32_t, 3>>& triangles, Material* material = nullptr,
              bool textured = false);
Face& AddQuad(Entities& entities, Point3 a, Point3 b, Point3 c, Point3 d, Material* material = nullptr,
              bool textured = false);
// An axis-aligned box from the origin to `size`: six quads over eight vertices and twelve edges.
void AddBox(Entities& entities, Point3 size, Material* material = nullptr);

// The edges of the faces' loops that the entities do not have yet, as filling them would add.
void AddLoopEdges(Model& model);

ComponentDefinition& AddDefinition(Model& model, const std::string& name);
// `texture` is the path of a PNG or JPEG image.
Material& AddMaterial(Model& model, const std::string& name, KVColor color, double opacity = 1.0,
                      const std::string& texture = "");
void AddInstance(Entities& entities, ComponentDefinition& definition, const KVTransformation& transform,
                 const std::string& name = "");
KVTransformation Translation(double x, double y, double z);

// Materials of every kind (plain, transparent, PNG and JPEG textures), several
// definitions (one nested, one empty), instances that move, turn, scale,
// mirror, shear and project, a face with a hole, top-level faces and doubles
// no float can hold.
Model MakeRichModel();

// A glTF binary of this JSON text and binary chunk, lengths and padding
// as the container wants them.
std::string MakeGlb(std::string json, std::string binary = {});

// The whole model as text, doubles exact, for EXPECT_EQ: every difference
// between two models shows as a differing line. A model that points outside
// itself throws std::out_of_range.
std::string Describe(const Model& model);

}  // namespace korvanta::test
