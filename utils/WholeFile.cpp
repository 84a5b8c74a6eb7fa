#include "utils/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace hollin::utils {
namespace {

std::nullopt_t Fail(std::string* error, const std::string& message) {
    if (error != nullptr) *error = message;
    return std::nullopt;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (descriptor_ >= 0) ::close(descriptor_);
    }
    int Get() const { return descriptor_; }

private:
    int descriptor_;
};

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& utf8Path, std::uint64_t sizeLimit,
                                                       std::string* error) {
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
    const FileDescriptor file(::open(utf8Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0) return Fail(error, "cannot open " + utf8Path + ": " + std::strerror(errno));
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0) return Fail(error, "cannot read " + utf8Path + ": " + std::strerror(errno));
    if (!S_ISREG(status.st_mode)) return Fail(error, utf8Path + " is not a regular file");
    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (size > sizeLimit) {
        return Fail(error, utf8Path + " is too large (" + std::to_string(size) + " bytes, at most " +
                               std::to_string(sizeLimit) + ")");
    }

    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t count = ::read(file.Get(), bytes.data() + filled, bytes.size() - filled);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return Fail(error, "cannot read " + utf8Path + ": " + std::strerror(errno));
        if (count == 0) break;  // the file shrank while being read
        filled += static_cast<std::size_t>(count);
    }
    bytes.resize(filled);
    return bytes;
}

}  // namespace hollin::utils
