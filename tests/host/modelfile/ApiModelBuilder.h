#pragma once

#include <string>
#include <vector>

#include "KorvantaAPI.h"

// Builds models the way the importer does, through the C API.
namespace korvanta::test {

class ApiModelBuilder {
public:
    ApiModelBuilder();
    ~ApiModelBuilder();
    ApiModelBuilder(const ApiModelBuilder&) = delete;
    ApiModelBuilder& operator=(const ApiModelBuilder&) = delete;

    KVModelRef Model() const { return model_; }
    KVMaterialRef AddMaterial(const std::string& name, KVColor color, double opacity,
                              const std::string& texturePath = "");
    KVComponentDefinitionRef AddDefinition(const std::string& name);
    KVEntitiesRef EntitiesOf(KVComponentDefinitionRef definition) const;
    KVEntitiesRef TopLevel() const;
    void AddInstance(KVComponentDefinitionRef definition, const KVTransformation& transform);

    // A grid of n x n unit squares in the plane z = height, each as two
    // triangles, with `material` and texture coordinates from x and y.
    void FillGrid(KVEntitiesRef entities, int n, double height, KVMaterialRef material);
    // A 2 x 2 square with a 1 x 1 hole, as one face with an inner loop.
    void FillSquareWithHole(KVEntitiesRef entities, KVMaterialRef material);

private:
    KVModelRef model_{nullptr};
};

}  // namespace korvanta::test
