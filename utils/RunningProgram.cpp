#include "utils/RunningProgram.h"

#include <sys/auxv.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace hollin::utils {
namespace {

// The program the loader was asked to run, as it was named on the loader's
// command line, which the loader then hands the program as its argv[0]; only
// a name with a slash is taken as a path (the loader searches for others).
std::string LoadedProgramName() {
    const std::string name = program_invocation_name != nullptr ? program_invocation_name : "";
    return name.find('/') == std::string::npos ? std::string() : name;
}

std::filesystem::path FindRunningProgram() {
    std::error_code error;
    if (StartedThroughTheLoader()) {
        const std::string name = LoadedProgramName();
        if (name.empty()) return {};
        std::filesystem::path program = std::filesystem::weakly_canonical(std::filesystem::absolute(name, error), error);
        return error ? std::filesystem::path() : program;
    }
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error || !program.is_absolute() ? std::filesystem::path() : program;
}

}  // namespace

bool StartedThroughTheLoader() {
    // The kernel hands a dynamically linked program the address at which it
    // loaded the program's interpreter; the loader run as a program has none.
    return ::getauxval(AT_BASE) == 0;
}

const std::filesystem::path& RunningProgramPath() {
    static const std::filesystem::path program = FindRunningProgram();
    return program;
}

std::filesystem::path RunningProgramFolder() {
    return RunningProgramPath().parent_path();
}

}  // namespace hollin::utils
