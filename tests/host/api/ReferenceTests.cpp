#include "ApiTestSupport.h"

namespace korvanta::test {
namespace {

using ReferenceTest = ApiTest;

TEST_F(ReferenceTest, NullForeignAndReleasedReferencesGiveErrorCodes) {
    std::size_t count = 0;
    int notAnObject = 0;
    EXPECT_EQ(KVModelGetNumMaterials(KVModelRef{}, &count), KV_ERROR_NULL_POINTER_INPUT);
    EXPECT_EQ(KVModelGetNumMaterials(KVModelRef{&notAnObject}, &count), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVModelGetNumMaterials(model_, nullptr), KV_ERROR_NULL_POINTER_OUTPUT);
    EXPECT_EQ(KVMaterialSetName(KVMaterialRef{entities_.ptr}, "x"), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVFaceGetNumLoops(KVFaceRef{&notAnObject}, &count), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVModelRelease(nullptr), KV_ERROR_NULL_POINTER_INPUT);

    KVMaterialRef material{};
    ASSERT_EQ(KVMaterialCreate(&material), KV_SUCCESS);
    const KVMaterialRef live = material;
    EXPECT_EQ(KVMaterialCreate(&material), KV_ERROR_OVERWRITE_VALID);
    EXPECT_EQ(material.ptr, live.ptr);
    ASSERT_EQ(KVMaterialRelease(&material), KV_SUCCESS);
    EXPECT_EQ(KVModelAddMaterials(model_, 1, &live), KV_ERROR_INVALID_INPUT);

    // A loop handed to its face is gone; so is a released one, and an address inside a live loop is none.
    KVGeometryInputRef geometry{};
    ASSERT_EQ(KVGeometryInputCreate(&geometry), KV_SUCCESS);
    KVLoopInputRef loop{}, released{};
    ASSERT_EQ(KVLoopInputCreate(&loop), KV_SUCCESS);
    ASSERT_EQ(KVLoopInputCreate(&released), KV_SUCCESS);
    for (std::size_t vertex : {0, 1, 2}) ASSERT_EQ(KVLoopInputAddVertexIndex(loop, vertex), KV_SUCCESS);
    EXPECT_EQ(KVLoopInputEdgeSetSmooth(loop, 3, true), KV_ERROR_OUT_OF_RANGE);  // a loop of three has edges 0 to 2
    const KVLoopInputRef handedOver = loop;
    KVLoopInputRef releasedCopy = released;
    const KVLoopInputRef inside{static_cast<char*>(released.ptr) + 1};
    EXPECT_EQ(KVLoopInputAddVertexIndex(inside, 0), KV_ERROR_INVALID_INPUT);
    ASSERT_EQ(KVGeometryInputAddFace(geometry, &loop, nullptr), KV_SUCCESS);
    EXPECT_FALSE(KV_IS_VALID(loop));
    ASSERT_EQ(KVLoopInputRelease(&released), KV_SUCCESS);
    EXPECT_EQ(KVLoopInputAddVertexIndex(handedOver, 0), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVGeometryInputFaceAddInnerLoop(geometry, 0, &releasedCopy), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVLoopInputAddVertexIndex(KVLoopInputRef{&notAnObject}, 0), KV_ERROR_INVALID_INPUT);
    ASSERT_EQ(KVGeometryInputRelease(&geometry), KV_SUCCESS);

    InputBuilder input;
    input.Square(0, 0, 0);
    ASSERT_EQ(Fill(input, entities_), KV_SUCCESS);
    const KVFaceRef face = FaceRefs()[0];
    KVModelRef stale = model_;
    ASSERT_EQ(KVModelRelease(&model_), KV_SUCCESS);
    EXPECT_FALSE(KV_IS_VALID(model_));
    EXPECT_EQ(KVModelRelease(&stale), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVEntitiesGetNumFaces(entities_, &count), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVFaceGetNumLoops(face, &count), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVEntitiesFill(entities_, input.Ref(), true), KV_ERROR_INVALID_INPUT);
}

// Whatever a model, a face or an instance still uses must outlive it.
TEST_F(ReferenceTest, OwnedAndUsedObjectsCannotBeReleasedOrAddedAgain) {
    KVMaterialRef paint = AddMaterial("paint");
    EXPECT_EQ(KVMaterialRelease(&paint), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVModelAddMaterials(model_, 1, &paint), KV_ERROR_INVALID_INPUT);
    KVMaterialRef fresh{};
    ASSERT_EQ(KVMaterialCreate(&fresh), KV_SUCCESS);
    const KVMaterialRef twice[2] = {fresh, fresh};
    EXPECT_EQ(KVModelAddMaterials(model_, 2, twice), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(Read(KVModelGetNumMaterials, model_), 1u);
    InputBuilder input;
    input.Square(0, 0, 0, fresh);
    ASSERT_EQ(KVEntitiesFill(entities_, input.Ref(), true), KV_SUCCESS);
    EXPECT_EQ(KVMaterialRelease(&fresh), KV_ERROR_INVALID_INPUT);
    ASSERT_EQ(KVModelAddMaterials(model_, 1, &fresh), KV_SUCCESS);

    // A definition may not contain itself either.
    KVComponentDefinitionRef definition{};
    KVEntitiesRef inner{};
    KVComponentInstanceRef instance{};
    ASSERT_EQ(KVComponentDefinitionCreate(&definition), KV_SUCCESS);
    ASSERT_EQ(KVComponentDefinitionGetEntities(definition, &inner), KV_SUCCESS);
    ASSERT_EQ(KVComponentDefinitionCreateInstance(definition, &instance), KV_SUCCESS);
    EXPECT_EQ(KVEntitiesAddInstance(inner, instance, nullptr), KV_ERROR_INVALID_INPUT);
    ASSERT_EQ(KVEntitiesAddInstance(entities_, instance, "first"), KV_SUCCESS);
    EXPECT_EQ(KVEntitiesAddInstance(entities_, instance, nullptr), KV_ERROR_INVALID_INPUT);
    KVComponentDefinitionRef named = definition;
    EXPECT_EQ(KVComponentDefinitionRelease(&named), KV_ERROR_INVALID_INPUT);
    ASSERT_EQ(KVModelAddComponentDefinitions(model_, 1, &definition), KV_SUCCESS);

    // A short buffer gets what fits, terminated, and the full length.
    char small[4];
    std::size_t length = 0;
    EXPECT_EQ(KVMaterialGetName(paint, sizeof small, small, &length), KV_ERROR_OUT_OF_RANGE);
    EXPECT_STREQ(small, "pai");
    EXPECT_EQ(length, 5u);
}

// A chain of definitions as long as a hostile file could ask for: the API
// walks it without recursion to box it and to refuse a cycle through it, and
// a save refuses it rather than write a file no reader would read.
TEST_F(ReferenceTest, DeepNestingIsWalkedWithoutRecursion) {
    constexpr std::size_t kLevels = 100'000;
    std::vector<std::pair<KVComponentDefinitionRef, KVEntitiesRef>> chain;
    for (std::size_t level = 0; level < kLevels; ++level) chain.push_back(AddDefinition("level"));
    InputBuilder input;
    input.Square(0, 0, 0);
    ASSERT_EQ(Fill(input, chain.back().second), KV_SUCCESS);
    const KVTransformation step = Translation(1, 0, 0);
    for (std::size_t level = 0; level + 1 < kLevels; ++level) Place(chain[level + 1].first, step, nullptr, chain[level].second);
    Place(chain.front().first, step);

    KVBoundingBox3D box{};
    ASSERT_EQ(KVEntitiesGetBoundingBox(entities_, &box), KV_SUCCESS);
    EXPECT_EQ(std::tuple(box.min_point.x, box.max_point.x, box.max_point.y), std::tuple(1.0 * kLevels, kLevels + 1.0, 1.0));
    KVComponentInstanceRef cycle{};
    ASSERT_EQ(KVComponentDefinitionCreateInstance(chain.front().first, &cycle), KV_SUCCESS);
    EXPECT_EQ(KVEntitiesAddInstance(chain.back().second, cycle, nullptr), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVModelSaveToFile(model_, "/nonexistent/never-written.kvm"), KV_ERROR_OUT_OF_RANGE);
}

}  // namespace
}  // namespace korvanta::test
