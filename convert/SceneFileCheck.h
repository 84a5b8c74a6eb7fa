#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace hollin::importer {

// lib3ds trusts the triangle lists it reads and computes face normals from
// them while loading: a face naming a point the object does not have makes it
// read outside its arrays. This walks the chunks of a 3DS file and reports
// whether every triangle object is safe to hand to the loader.
bool TriangleObjectsAreConsistent(std::span<const std::uint8_t> file);

}  // namespace hollin::importer
