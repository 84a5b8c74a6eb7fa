#pragma once

#include <lib3ds/file.h>

#include <cstdint>
#include <span>

#include "utils/Utf16String.h"

namespace hollin::importer {

// The most faces one conversion builds: every object node builds its own copy
// of its mesh, so a small file can ask for billions. A built face takes the
// host well under 1 KiB, so the limit is half the machine's memory at 1 KiB a
// face: about 12 million faces on a machine with 24 GiB.
std::uint64_t MaxFacesToBuild();

// Reads a whole 3DS file into memory once, makes sure that lib3ds can read it
// safely (see CheckSceneFile) and that its conversion stays within
// MaxFacesToBuild, and has lib3ds parse that copy. Null when the file cannot
// be read, is refused, or reading it throws. The caller frees the scene with
// lib3ds_file_free.
Lib3dsFile* LoadScene(const hollin::utils::Utf16String& path);

// The same for bytes already in memory.
Lib3dsFile* LoadScene(std::span<const std::uint8_t> bytes);

// lib3ds's reading of bytes in which CheckSceneFile found no fault, without
// the face limit; null only when lib3ds fails, which the check should rule out.
Lib3dsFile* ParseCheckedScene(std::span<const std::uint8_t> bytes);

}  // namespace hollin::importer
