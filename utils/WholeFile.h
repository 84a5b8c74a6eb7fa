#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hollin::utils {

// The whole content of a regular file, read in one pass. Anything else
// (a folder, a device, a pipe), a file larger than `sizeLimit` bytes, or a
// read error gives nothing; `error` (when given) then says why, naming the
// path. The size is checked before anything is allocated.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& utf8Path, std::uint64_t sizeLimit,
                                                       std::string* error = nullptr);

}  // namespace hollin::utils
