#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Reading the files a user hands in. Nothing here ever waits on a file: a
// FIFO, a socket or a device is refused at once, before anything is read.
namespace hollin::utils {

enum class FileProblem {
    None,
    Missing,
    NotARegularFile,  // a folder, a FIFO, a socket, a device
    Unreadable,       // the system refused to open or read it
    TooLarge,
};

struct FileReadError {
    FileProblem problem = FileProblem::None;
    std::string reason;  // in English: the system's error, or what the file is
};

// A descriptor (close-on-exec) open for reading on a regular file, or -1
// with `error` (when given) saying why not. The caller closes it.
int OpenRegularFile(const std::string& utf8Path, FileReadError* error = nullptr);

// The whole content of a regular file, read in one pass; nothing for a file
// larger than `sizeLimit` bytes (checked before anything is allocated) or one
// that cannot be read, with `error` (when given) saying why.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& utf8Path, std::uint64_t sizeLimit,
                                                       FileReadError* error = nullptr);

// At most the first `count` bytes of a regular file; `fileSize` (when given)
// gets the size of the whole file.
std::optional<std::vector<std::uint8_t>> ReadFileStart(const std::string& utf8Path, std::size_t count,
                                                       FileReadError* error = nullptr, std::uint64_t* fileSize = nullptr);

}  // namespace hollin::utils
