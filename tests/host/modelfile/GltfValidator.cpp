#include "GltfValidator.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <memory>

namespace korvanta::test {
namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

ValidatorRun RunGltfValidator(const std::vector<std::filesystem::path>& files) {
    const std::filesystem::path script = KV_GLTF_VALIDATOR;
    if (!std::filesystem::exists(script.parent_path() / "node_modules" / "gltf-validator")) {
        return {false, "the glTF validator is not installed in " + script.parent_path().string() +
                           ": run tools/setup.sh (it runs npm ci there)"};
    }
    std::string command = "node " + Quoted(script.string());
    for (const auto& file : files) command += " " + Quoted(file.string());
    command += " 2>&1";

    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) return {false, "cannot run " + command};
    ValidatorRun run;
    std::array<char, 4096> chunk{};
    std::size_t count = 0;
    while ((count = std::fread(chunk.data(), 1, chunk.size(), pipe.get())) > 0) run.report.append(chunk.data(), count);
    const int status = ::pclose(pipe.release());
    run.passed = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) run.report = "the validator did not run: " + run.report;
    return run;
}

}  // namespace korvanta::test
