#include "utils/RunningProgram.h"

#include <link.h>
#include <sys/auxv.h>

#include <string>
#include <system_error>

namespace hollin::utils {
namespace {

// The name under which the loader loaded the main program: the path it was
// given on its command line; empty for a program the kernel started itself.
std::string MainProgramName() {
    std::string name;
    ::dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* found) {
            // The main program comes first.
            *static_cast<std::string*>(found) = info->dlpi_name != nullptr ? info->dlpi_name : "";
            return 1;
        },
        &name);
    return name;
}

std::filesystem::path FindRunningProgram() {
    std::error_code error;
    if (StartedThroughTheLoader()) {
        const std::string name = MainProgramName();
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
