#include "utils/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace hollin::utils {
namespace {

template <typename Result>
Result Fail(FileReadError* error, FileProblem problem, const std::string& reason, Result failure) {
    if (error != nullptr) *error = {problem, reason};
    return failure;
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

// Reads until `bytes` is full or the file ends; false on a read error.
bool ReadInto(int descriptor, std::vector<std::uint8_t>& bytes) {
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t count = ::read(descriptor, bytes.data() + filled, bytes.size() - filled);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return false;
        if (count == 0) break;  // the file is shorter, or shrank while being read
        filled += static_cast<std::size_t>(count);
    }
    bytes.resize(filled);
    return true;
}

}  // namespace

int OpenRegularFile(const std::string& utf8Path, FileReadError* error) {
    // O_NONBLOCK keeps a FIFO without a writer from blocking the open; it is
    // then refused as what it is. Regular files ignore the flag.
    const int descriptor = ::open(utf8Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (descriptor < 0) {
        const bool missing = errno == ENOENT || errno == ENOTDIR || utf8Path.empty();
        return Fail(error, missing ? FileProblem::Missing : FileProblem::Unreadable,
                    std::strerror(errno), -1);
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        const int code = errno;
        ::close(descriptor);
        return Fail(error, FileProblem::Unreadable, std::strerror(code), -1);
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return Fail(error, FileProblem::NotARegularFile, "it is not a regular file", -1);
    }
    return descriptor;
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& utf8Path, std::uint64_t sizeLimit,
                                                       FileReadError* error) {
    const FileDescriptor file(OpenRegularFile(utf8Path, error));
    if (file.Get() < 0) return std::nullopt;
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0) {
        return Fail(error, FileProblem::Unreadable, std::strerror(errno), std::nullopt);
    }
    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (size > sizeLimit) {
        return Fail(error, FileProblem::TooLarge,
                    "it is larger than " + std::to_string(sizeLimit) + " bytes",
                    std::nullopt);
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!ReadInto(file.Get(), bytes)) {
        return Fail(error, FileProblem::Unreadable, std::strerror(errno), std::nullopt);
    }
    return bytes;
}

std::optional<std::vector<std::uint8_t>> ReadFileStart(const std::string& utf8Path, std::size_t count, FileReadError* error,
                                                       std::uint64_t* fileSize) {
    const FileDescriptor file(OpenRegularFile(utf8Path, error));
    if (file.Get() < 0) return std::nullopt;
    if (fileSize != nullptr) {
        struct stat status {};
        if (::fstat(file.Get(), &status) != 0) return Fail(error, FileProblem::Unreadable, std::strerror(errno), std::nullopt);
        *fileSize = static_cast<std::uint64_t>(status.st_size);
    }
    std::vector<std::uint8_t> bytes(count);
    if (!ReadInto(file.Get(), bytes)) {
        return Fail(error, FileProblem::Unreadable, std::strerror(errno), std::nullopt);
    }
    return bytes;
}

}  // namespace hollin::utils
