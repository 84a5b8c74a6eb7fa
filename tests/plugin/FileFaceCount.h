#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>

namespace plugin_tests {

// The number of faces the importer hands the host for a 3DS file, counted
// with lib3ds: the faces of the mesh of every object node (a mesh placed by
// two nodes counts twice), or of every mesh when the nodes place no mesh with
// points. Nothing when lib3ds cannot load the file.
std::optional<std::size_t> FacesHandedToHost(const std::filesystem::path& file);

}  // namespace plugin_tests
