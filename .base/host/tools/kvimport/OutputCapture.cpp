#include "OutputCapture.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>

namespace kvimport {

namespace {

void FlushStandardOutput() {
    std::cout.flush();
    std::fflush(stdout);
}

std::string ReadFromStart(int descriptor) {
    std::string content;
    char buffer[1 << 14];
    for (off_t offset = 0;;) {
        const ssize_t count = ::pread(descriptor, buffer, sizeof buffer, offset);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return content;
        content.append(buffer, static_cast<std::size_t>(count));
        offset += count;
    }
}

}  // namespace

std::optional<std::string> CaptureStandardOutput(const std::function<void()>& action) {
    const int capture = ::memfd_create("kvimport-output", MFD_CLOEXEC);
    if (capture < 0) return std::nullopt;
    FlushStandardOutput();
    const int saved = ::dup(STDOUT_FILENO);
    if (saved < 0 || ::dup2(capture, STDOUT_FILENO) < 0) {
        if (saved >= 0) ::close(saved);
        ::close(capture);
        return std::nullopt;
    }
    const auto restore = [saved] {
        FlushStandardOutput();
        ::dup2(saved, STDOUT_FILENO);
        ::close(saved);
    };
    try {
        action();
    } catch (...) {
        restore();
        ::close(capture);
        throw;
    }
    restore();
    std::string captured = ReadFromStart(capture);
    ::close(capture);
    return captured;
}

}  // namespace kvimport
