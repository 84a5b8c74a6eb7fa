#include <cstring>

#include "ApiTestSupport.h"

namespace korvanta::test {
namespace {

using ReferenceTest = ApiTest;

TEST(LibraryLifetime, CallsOutsideInitializeAndTerminateAreRefused) {
    KVModelRef model{};
    EXPECT_EQ(KVModelCreate(&model), KV_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(KVTerminate(), KV_ERROR_NOT_INITIALIZED);
    // Nested pairs: objects survive until the outermost terminate.
    ASSERT_EQ(KVInitialize(), KV_SUCCESS);
    ASSERT_EQ(KVInitialize(), KV_SUCCESS);
    ASSERT_EQ(KVModelCreate(&model), KV_SUCCESS);
    ASSERT_EQ(KVTerminate(), KV_SUCCESS);
    std::size_t count = 0;
    EXPECT_EQ(KVModelGetNumMaterials(model, &count), KV_SUCCESS);
    // The last terminate frees what was left, and a new conversion starts clean.
    ASSERT_EQ(KVTerminate(), KV_SUCCESS);
    ASSERT_EQ(KVInitialize(), KV_SUCCESS);
    EXPECT_EQ(KVModelGetNumMaterials(model, &count), KV_ERROR_INVALID_INPUT);
    ASSERT_EQ(KVTerminate(), KV_SUCCESS);
}

TEST_F(ReferenceTest, NullAndForeignReferencesGiveErrorCodes) {
    std::size_t count = 0;
    int notAnObject = 0;
    EXPECT_EQ(KVModelGetNumMaterials(KVModelRef{}, &count), KV_ERROR_NULL_POINTER_INPUT);
    EXPECT_EQ(KVModelGetNumMaterials(KVModelRef{&notAnObject}, &count), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVModelGetNumMaterials(model_, nullptr), KV_ERROR_NULL_POINTER_OUTPUT);
    // A reference of one kind passed as another.
    EXPECT_EQ(KVEntitiesGetNumFaces(KVEntitiesRef{model_.ptr}, &count), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVMaterialSetName(KVMaterialRef{entities_.ptr}, "x"), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVFaceGetNumLoops(KVFaceRef{&notAnObject}, &count), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVModelRelease(nullptr), KV_ERROR_NULL_POINTER_INPUT);
    EXPECT_EQ(KVModelGetEntities(model_, nullptr), KV_ERROR_NULL_POINTER_OUTPUT);
}

TEST_F(ReferenceTest, ReleasedObjectsAreNoLongerAccepted) {
    KVModelRef other{};
    KVEntitiesRef otherEntities{};
    ASSERT_EQ(KVModelCreate(&other), KV_SUCCESS);
    ASSERT_EQ(KVModelGetEntities(other, &otherEntities), KV_SUCCESS);
    InputBuilder input;
    input.Face({input.Vertex(0, 0, 0), input.Vertex(1, 0, 0), input.Vertex(0, 1, 0)});
    ASSERT_EQ(input.FillInto(otherEntities), KV_SUCCESS);
    KVFaceRef face{};
    std::size_t count = 0;
    ASSERT_EQ(KVEntitiesGetFaces(otherEntities, 1, &face, &count), KV_SUCCESS);
    const KVModelRef stale = other;
    ASSERT_EQ(KVModelRelease(&other), KV_SUCCESS);
    EXPECT_FALSE(KV_IS_VALID(other));
    EXPECT_EQ(KVModelRelease(&other), KV_ERROR_NULL_POINTER_INPUT);
    KVModelRef again = stale;
    EXPECT_EQ(KVModelRelease(&again), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVEntitiesGetNumFaces(otherEntities, &count), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVFaceGetNumLoops(face, &count), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(input.FillInto(otherEntities), KV_ERROR_INVALID_INPUT);

    KVMaterialRef material{};
    ASSERT_EQ(KVMaterialCreate(&material), KV_SUCCESS);
    const KVMaterialRef staleMaterial = material;
    ASSERT_EQ(KVMaterialRelease(&material), KV_SUCCESS);
    EXPECT_EQ(KVMaterialSetOpacity(staleMaterial, 0.5), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVModelAddMaterials(model_, 1, &staleMaterial), KV_ERROR_INVALID_INPUT);
}

TEST_F(ReferenceTest, CreateRefusesToOverwriteALiveReference) {
    KVMaterialRef material{};
    ASSERT_EQ(KVMaterialCreate(&material), KV_SUCCESS);
    const void* first = material.ptr;
    EXPECT_EQ(KVMaterialCreate(&material), KV_ERROR_OVERWRITE_VALID);
    EXPECT_EQ(material.ptr, first);
    EXPECT_EQ(KVMaterialCreate(nullptr), KV_ERROR_NULL_POINTER_OUTPUT);
    EXPECT_EQ(KVModelCreate(&model_), KV_ERROR_OVERWRITE_VALID);
    ASSERT_EQ(KVMaterialRelease(&material), KV_SUCCESS);
}

TEST_F(ReferenceTest, ObjectsInAModelCannotBeReleasedOrAddedTwice) {
    const KVMaterialRef material = AddMaterial("paint");
    KVMaterialRef copy = material;
    EXPECT_EQ(KVMaterialRelease(&copy), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVModelAddMaterials(model_, 1, &material), KV_ERROR_INVALID_INPUT);
    std::size_t count = 0;
    ASSERT_EQ(KVModelGetNumMaterials(model_, &count), KV_SUCCESS);
    EXPECT_EQ(count, 1u);

    KVMaterialRef fresh{};
    ASSERT_EQ(KVMaterialCreate(&fresh), KV_SUCCESS);
    const KVMaterialRef twice[2] = {fresh, fresh};
    EXPECT_EQ(KVModelAddMaterials(model_, 2, twice), KV_ERROR_INVALID_INPUT);
    EXPECT_EQ(KVModelAddMaterials(model_, 1, nullptr), KV_ERROR_NULL_POINTER_INPUT);
    ASSERT_EQ(KVMaterialRelease(&fresh), KV_SUCCESS);

    KVComponentDefinitionRef definition{};
    ASSERT_EQ(KVComponentDefinitionCreate(&definition), KV_SUCCESS);
    KVComponentInstanceRef instance{};
    ASSERT_EQ(KVComponentDefinitionCreateInstance(definition, &instance), KV_SUCCESS);
    ASSERT_EQ(KVEntitiesAddInstance(entities_, instance, "first"), KV_SUCCESS);
    EXPECT_EQ(KVEntitiesAddInstance(entities_, instance, nullptr), KV_ERROR_INVALID_INPUT);
    // A definition that instances still name must outlive them.
    KVComponentDefinitionRef definitionCopy = definition;
    EXPECT_EQ(KVComponentDefinitionRelease(&definitionCopy), KV_ERROR_INVALID_INPUT);
    ASSERT_EQ(KVModelAddComponentDefinitions(model_, 1, &definition), KV_SUCCESS);
}

TEST_F(ReferenceTest, DefinitionCannotContainItself) {
    KVComponentDefinitionRef definition{};
    KVEntitiesRef inner{};
    ASSERT_EQ(KVComponentDefinitionCreate(&definition), KV_SUCCESS);
    ASSERT_EQ(KVModelAddComponentDefinitions(model_, 1, &definition), KV_SUCCESS);
    ASSERT_EQ(KVComponentDefinitionGetEntities(definition, &inner), KV_SUCCESS);
    KVComponentInstanceRef instance{};
    ASSERT_EQ(KVComponentDefinitionCreateInstance(definition, &instance), KV_SUCCESS);
    EXPECT_EQ(KVEntitiesAddInstance(inner, instance, nullptr), KV_ERROR_INVALID_INPUT);
    ASSERT_EQ(KVEntitiesAddInstance(entities_, instance, nullptr), KV_SUCCESS);
}

TEST_F(ReferenceTest, IndicesAndValuesOutOfRange) {
    KVGeometryInputRef input{};
    ASSERT_EQ(KVGeometryInputCreate(&input), KV_SUCCESS);
    KVLoopInputRef loop{};
    ASSERT_EQ(KVLoopInputCreate(&loop), KV_SUCCESS);
    EXPECT_EQ(KVGeometryInputFaceAddInnerLoop(input, 0, &loop), KV_ERROR_OUT_OF_RANGE);
    EXPECT_TRUE(KV_IS_VALID(loop));  // not taken
    std::size_t face = 99;
    ASSERT_EQ(KVGeometryInputAddFace(input, &loop, &face), KV_SUCCESS);
    EXPECT_EQ(face, 0u);
    KVMaterialInput record{};
    record.num_uv_coords = 5;
    EXPECT_EQ(KVGeometryInputFaceSetFrontMaterial(input, 0, &record), KV_ERROR_OUT_OF_RANGE);
    record.num_uv_coords = 0;
    EXPECT_EQ(KVGeometryInputFaceSetFrontMaterial(input, 1, &record), KV_ERROR_OUT_OF_RANGE);
    int notAMaterial = 0;
    record.material.ptr = &notAMaterial;
    EXPECT_EQ(KVGeometryInputFaceSetFrontMaterial(input, 0, &record), KV_ERROR_INVALID_INPUT);
    ASSERT_EQ(KVGeometryInputRelease(&input), KV_SUCCESS);

    const KVMaterialRef material = AddMaterial("glass");
    EXPECT_EQ(KVMaterialSetOpacity(material, 1.5), KV_ERROR_OUT_OF_RANGE);
    KVComponentDefinitionRef definition{};
    KVComponentInstanceRef instance{};
    ASSERT_EQ(KVComponentDefinitionCreate(&definition), KV_SUCCESS);
    ASSERT_EQ(KVModelAddComponentDefinitions(model_, 1, &definition), KV_SUCCESS);
    ASSERT_EQ(KVComponentDefinitionCreateInstance(definition, &instance), KV_SUCCESS);
    ASSERT_EQ(KVEntitiesAddInstance(entities_, instance, nullptr), KV_SUCCESS);
    KVTransformation broken{};
    broken.values[13] = std::numeric_limits<double>::infinity();
    EXPECT_EQ(KVComponentInstanceSetTransform(instance, &broken), KV_ERROR_OUT_OF_RANGE);

    InputBuilder triangle;
    triangle.Face({triangle.Vertex(0, 0, 0), triangle.Vertex(1, 0, 0), triangle.Vertex(0, 1, 0)});
    ASSERT_EQ(triangle.FillInto(entities_), KV_SUCCESS);
    std::size_t count = 0;
    EXPECT_EQ(KVFaceGetLoopVertexCount(FaceRefs()[0], 1, &count), KV_ERROR_OUT_OF_RANGE);
}

TEST_F(ReferenceTest, NamesAndValuesReadBack) {
    const KVMaterialRef material = AddMaterial("Brushed steel");
    const KVColor color{10, 20, 30, 40};
    ASSERT_EQ(KVMaterialSetColor(material, &color), KV_SUCCESS);
    ASSERT_EQ(KVMaterialSetOpacity(material, 0.25), KV_SUCCESS);
    KVColor readColor{};
    double opacity = 0.0;
    ASSERT_EQ(KVMaterialGetColor(material, &readColor), KV_SUCCESS);
    ASSERT_EQ(KVMaterialGetOpacity(material, &opacity), KV_SUCCESS);
    EXPECT_EQ(std::memcmp(&readColor, &color, sizeof color), 0);
    EXPECT_EQ(opacity, 0.25);

    std::size_t length = 0;
    ASSERT_EQ(KVMaterialGetName(material, 0, nullptr, &length), KV_SUCCESS);
    EXPECT_EQ(length, 13u);
    char small[6];
    EXPECT_EQ(KVMaterialGetName(material, sizeof small, small, &length), KV_ERROR_OUT_OF_RANGE);
    EXPECT_STREQ(small, "Brush");
    char name[32];
    ASSERT_EQ(KVMaterialGetName(material, sizeof name, name, &length), KV_SUCCESS);
    EXPECT_STREQ(name, "Brushed steel");
    KVTextureRef texture{};
    EXPECT_EQ(KVMaterialGetTexture(material, &texture), KV_ERROR_NO_DATA);

    KVComponentDefinitionRef definition{};
    ASSERT_EQ(KVComponentDefinitionCreate(&definition), KV_SUCCESS);
    ASSERT_EQ(KVComponentDefinitionSetName(definition, "Box01"), KV_SUCCESS);
    ASSERT_EQ(KVModelAddComponentDefinitions(model_, 1, &definition), KV_SUCCESS);
    KVComponentInstanceRef instance{};
    ASSERT_EQ(KVComponentDefinitionCreateInstance(definition, &instance), KV_SUCCESS);
    ASSERT_EQ(KVEntitiesAddInstance(entities_, instance, nullptr), KV_SUCCESS);
    const KVTransformation transform{{2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 5, 6, 7, 1}};
    ASSERT_EQ(KVComponentInstanceSetTransform(instance, &transform), KV_SUCCESS);

    KVComponentInstanceRef listed{};
    std::size_t count = 0;
    ASSERT_EQ(KVEntitiesGetInstances(entities_, 1, &listed, &count), KV_SUCCESS);
    ASSERT_EQ(count, 1u);
    KVTransformation readTransform{};
    KVComponentDefinitionRef readDefinition{};
    ASSERT_EQ(KVComponentInstanceGetTransform(listed, &readTransform), KV_SUCCESS);
    ASSERT_EQ(KVComponentInstanceGetDefinition(listed, &readDefinition), KV_SUCCESS);
    EXPECT_EQ(std::memcmp(&readTransform, &transform, sizeof transform), 0);
    ASSERT_EQ(KVComponentDefinitionGetName(readDefinition, sizeof name, name, &length), KV_SUCCESS);
    EXPECT_STREQ(name, "Box01");
    KVComponentDefinitionRef definitions[4]{};
    ASSERT_EQ(KVModelGetComponentDefinitions(model_, 4, definitions, &count), KV_SUCCESS);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(definitions[0].ptr, definition.ptr);
}

// Run under LeakSanitizer: a released model must leave nothing behind.
TEST_F(ReferenceTest, ModelReleaseFreesEverythingItOwns) {
    for (int round = 0; round < 3; ++round) {
        KVModelRef model{};
        KVEntitiesRef top{};
        ASSERT_EQ(KVModelCreate(&model), KV_SUCCESS);
        ASSERT_EQ(KVModelGetEntities(model, &top), KV_SUCCESS);
        KVMaterialRef material{};
        ASSERT_EQ(KVMaterialCreate(&material), KV_SUCCESS);
        ASSERT_EQ(KVModelAddMaterials(model, 1, &material), KV_SUCCESS);
        KVComponentDefinitionRef definition{};
        KVEntitiesRef inner{};
        ASSERT_EQ(KVComponentDefinitionCreate(&definition), KV_SUCCESS);
        ASSERT_EQ(KVModelAddComponentDefinitions(model, 1, &definition), KV_SUCCESS);
        ASSERT_EQ(KVComponentDefinitionGetEntities(definition, &inner), KV_SUCCESS);
        InputBuilder input;
        input.Grid(3, 0.0, material);
        ASSERT_EQ(input.FillInto(inner), KV_SUCCESS);
        KVComponentInstanceRef instance{};
        ASSERT_EQ(KVComponentDefinitionCreateInstance(definition, &instance), KV_SUCCESS);
        ASSERT_EQ(KVEntitiesAddInstance(top, instance, nullptr), KV_SUCCESS);
        ASSERT_EQ(KVModelMergeCoplanarFaces(model), KV_SUCCESS);
        ASSERT_EQ(KVModelRelease(&model), KV_SUCCESS);
        std::size_t count = 0;
        EXPECT_EQ(KVMaterialGetOpacity(material, nullptr), KV_ERROR_INVALID_INPUT);
        EXPECT_EQ(KVEntitiesGetNumFaces(inner, &count), KV_ERROR_INVALID_INPUT);
        EXPECT_EQ(KVComponentInstanceGetDefinition(instance, &definition), KV_ERROR_INVALID_INPUT);
    }
}

TEST_F(ReferenceTest, AMaterialThatFacesShowCannotBeReleased) {
    KVMaterialRef loose{};
    ASSERT_EQ(KVMaterialCreate(&loose), KV_SUCCESS);
    InputBuilder input;
    input.Grid(1, 0.0, loose);
    ASSERT_EQ(input.FillInto(entities_), KV_SUCCESS);
    EXPECT_EQ(KVMaterialRelease(&loose), KV_ERROR_INVALID_INPUT);
    ASSERT_EQ(KVModelAddMaterials(model_, 1, &loose), KV_SUCCESS);
}

}  // namespace
}  // namespace korvanta::test
