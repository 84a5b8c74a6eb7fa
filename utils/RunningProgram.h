#pragma once

#include <filesystem>

// Where the running program's own file is, the one home of that fact: its
// plug-ins, resources and message catalogues lie beside it, and nothing of
// theirs is ever looked for in the current folder.
namespace hollin::utils {

// True when the process was started as `ld.so PROGRAM`: the kernel then ran
// the dynamic loader, which loaded the program itself, so /proc/self/exe
// names the loader and running /proc/self/exe again would run the loader
// with the program's arguments.
bool StartedThroughTheLoader();

// The running program's file, absolute: /proc/self/exe, or the program that
// the loader was asked to run. Empty when it cannot be known (no /proc).
// Worked out on the first call, which programs make before they change
// their current folder.
const std::filesystem::path& RunningProgramPath();

// Its folder; empty when the program's path cannot be known.
std::filesystem::path RunningProgramFolder();

}  // namespace hollin::utils
