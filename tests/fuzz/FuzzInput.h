#pragma once

// What the fuzz targets share: the input as a file in memory, so that a
// reader's own file handling runs too without touching the disk, and the
// end of a run that found a fault.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// libFuzzer keeps the input that was running and reports it with `what`.
[[noreturn]] inline void Fail(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

// The path of the one in-memory file, which now holds the `size` bytes at `data`.
inline const std::string& InputFile(const std::uint8_t* data, std::size_t size) {
    static const int descriptor = memfd_create("model.kvm", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(descriptor);
    if (descriptor < 0 || ftruncate(descriptor, 0) != 0 || pwrite(descriptor, data, size, 0) != static_cast<ssize_t>(size)) {
        Fail("The input cannot be written to a file in memory");
    }
    return path;
}
