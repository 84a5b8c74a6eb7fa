#include "FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace hollin::prefs {

FileLock::FileLock(const std::filesystem::path& lockPath) {
    descriptor_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor_ < 0) {
        error_ = errno;
        return;
    }
    while (::flock(descriptor_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            error_ = errno;
            ::close(descriptor_);
            descriptor_ = -1;
            return;
        }
    }
}

FileLock::~FileLock() {
    // Closing the descriptor releases the flock.
    if (descriptor_ >= 0) ::close(descriptor_);
}

}  // namespace hollin::prefs
