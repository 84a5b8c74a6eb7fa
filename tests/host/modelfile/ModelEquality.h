#pragma once

#include "Model.h"

namespace korvanta::test {

// Adds a test failure for every difference, naming where it is.
void ExpectModelsEqual(const Model& expected, const Model& actual);

}  // namespace korvanta::test
