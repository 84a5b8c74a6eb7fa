#pragma once

#include "ProcessRunner.h"

namespace korvanta::test {

// The Khronos glTF Validator's report on the files, or why it could not run
// (tools/setup.sh installs it); empty when none of them has an error.
inline std::string GltfValidatorErrors(const std::vector<std::filesystem::path>& files) {
    std::vector<std::string> arguments{KV_GLTF_VALIDATOR};
    arguments.insert(arguments.end(), files.begin(), files.end());
    const ProcessResult run = RunProcess("node", arguments);
    return run.exitCode == 0 ? "" : "exit code " + std::to_string(run.exitCode) + ": " + run.out + run.err;
}

}  // namespace korvanta::test
