#include "ModelEquality.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace korvanta::test {
namespace {

template <typename T>
long IndexOf(const std::vector<std::unique_ptr<T>>& items, const T* item) {
    if (item == nullptr) return -1;
    const auto found = std::find_if(items.begin(), items.end(), [item](const auto& p) { return p.get() == item; });
    return found == items.end() ? -2 : found - items.begin();
}

void ExpectCornersEqual(const Corner& expected, const Corner& actual, const std::string& where) {
    EXPECT_EQ(expected.vertex, actual.vertex) << where;
    EXPECT_EQ(expected.uv.u, actual.uv.u) << where;
    EXPECT_EQ(expected.uv.v, actual.uv.v) << where;
}

void ExpectEntitiesEqual(const Model& expectedModel, const Entities& expected, const Model& actualModel,
                         const Entities& actual, const std::string& where) {
    ASSERT_EQ(expected.vertices.size(), actual.vertices.size()) << where;
    for (std::size_t i = 0; i < expected.vertices.size(); ++i) {
        EXPECT_EQ(expected.vertices[i].x, actual.vertices[i].x) << where << " vertex " << i;
        EXPECT_EQ(expected.vertices[i].y, actual.vertices[i].y) << where << " vertex " << i;
        EXPECT_EQ(expected.vertices[i].z, actual.vertices[i].z) << where << " vertex " << i;
    }
    ASSERT_EQ(expected.edges.size(), actual.edges.size()) << where;
    for (std::size_t i = 0; i < expected.edges.size(); ++i) {
        EXPECT_EQ(expected.edges[i].from, actual.edges[i].from) << where << " edge " << i;
        EXPECT_EQ(expected.edges[i].to, actual.edges[i].to) << where << " edge " << i;
    }
    EXPECT_EQ(expected.skippedFaces, actual.skippedFaces) << where;
    ASSERT_EQ(expected.faces.size(), actual.faces.size()) << where;
    for (std::size_t f = 0; f < expected.faces.size(); ++f) {
        const Face& e = expected.faces[f];
        const Face& a = actual.faces[f];
        const std::string face = where + " face " + std::to_string(f);
        EXPECT_EQ(IndexOf(expectedModel.materials, e.frontMaterial), IndexOf(actualModel.materials, a.frontMaterial))
            << face;
        EXPECT_EQ(e.textured, a.textured) << face;
        ASSERT_EQ(e.loops.size(), a.loops.size()) << face;
        for (std::size_t l = 0; l < e.loops.size(); ++l) {
            ASSERT_EQ(e.loops[l].corners.size(), a.loops[l].corners.size()) << face << " loop " << l;
            for (std::size_t c = 0; c < e.loops[l].corners.size(); ++c) {
                ExpectCornersEqual(e.loops[l].corners[c], a.loops[l].corners[c],
                                   face + " loop " + std::to_string(l) + " corner " + std::to_string(c));
            }
        }
        ASSERT_EQ(e.triangles.size(), a.triangles.size()) << face;
        for (std::size_t t = 0; t < e.triangles.size(); ++t) {
            for (int c = 0; c < 3; ++c) {
                ExpectCornersEqual(e.triangles[t].corners[c], a.triangles[t].corners[c],
                                   face + " triangle " + std::to_string(t));
            }
        }
    }
    ASSERT_EQ(expected.instances.size(), actual.instances.size()) << where;
    for (std::size_t i = 0; i < expected.instances.size(); ++i) {
        const ComponentInstance& e = *expected.instances[i];
        const ComponentInstance& a = *actual.instances[i];
        const std::string instance = where + " instance " + std::to_string(i);
        EXPECT_EQ(IndexOf(expectedModel.definitions, e.definition), IndexOf(actualModel.definitions, a.definition))
            << instance;
        EXPECT_EQ(e.name, a.name) << instance;
        for (int k = 0; k < 16; ++k) EXPECT_EQ(e.transform.values[k], a.transform.values[k]) << instance;
    }
}

}  // namespace

void ExpectModelsEqual(const Model& expected, const Model& actual) {
    ASSERT_EQ(expected.materials.size(), actual.materials.size());
    for (std::size_t i = 0; i < expected.materials.size(); ++i) {
        const Material& e = *expected.materials[i];
        const Material& a = *actual.materials[i];
        EXPECT_EQ(e.name, a.name) << "material " << i;
        EXPECT_EQ(e.color.red, a.color.red) << "material " << i;
        EXPECT_EQ(e.color.green, a.color.green) << "material " << i;
        EXPECT_EQ(e.color.blue, a.color.blue) << "material " << i;
        EXPECT_EQ(e.color.alpha, a.color.alpha) << "material " << i;
        EXPECT_EQ(e.opacity, a.opacity) << "material " << i;
        ASSERT_EQ(e.texture != nullptr, a.texture != nullptr) << "material " << i;
        if (e.texture) {
            EXPECT_EQ(e.texture->encoded, a.texture->encoded) << "material " << i;
            EXPECT_EQ(e.texture->mimeType, a.texture->mimeType) << "material " << i;
            EXPECT_EQ(e.texture->fileName, a.texture->fileName) << "material " << i;
            EXPECT_EQ(e.texture->width, a.texture->width) << "material " << i;
            EXPECT_EQ(e.texture->height, a.texture->height) << "material " << i;
            EXPECT_EQ(e.texture->sScale, a.texture->sScale) << "material " << i;
            EXPECT_EQ(e.texture->tScale, a.texture->tScale) << "material " << i;
        }
    }
    ASSERT_EQ(expected.definitions.size(), actual.definitions.size());
    for (std::size_t i = 0; i < expected.definitions.size(); ++i) {
        EXPECT_EQ(expected.definitions[i]->name, actual.definitions[i]->name);
        ExpectEntitiesEqual(expected, expected.definitions[i]->entities, actual, actual.definitions[i]->entities,
                            "definition " + expected.definitions[i]->name);
    }
    ExpectEntitiesEqual(expected, expected.entities, actual, actual.entities, "top level");
}

}  // namespace korvanta::test
