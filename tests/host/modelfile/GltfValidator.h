#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace korvanta::test {

struct ValidatorRun {
    bool passed = false;
    std::string report;  // the validator's output, or why it could not run
};

// Runs the Khronos glTF Validator on the files; passes when none has an error.
ValidatorRun RunGltfValidator(const std::vector<std::filesystem::path>& files);

}  // namespace korvanta::test
