#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kvimport {

// The version record a plug-in library carries in its ".korvanta.version"
// section, read from the file without loading it: "Key=Value" texts, in
// order. Empty when the file has none or is no ELF library.
std::vector<std::string> ReadPluginVersionRecord(const std::filesystem::path& plugin);

}  // namespace kvimport
