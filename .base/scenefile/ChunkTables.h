#pragma once

// What lib3ds 1.3's reader knows about chunks, as the scene check needs it:
// which reader each kind of chunk goes to and how large its values are.

#include <lib3ds/node.h>

#include <cstddef>
#include <cstdint>

namespace hollin::importer {

// lib3ds's names are read into 64-byte buffers; a keyframer header name and a
// morph key name into smaller ones.
inline constexpr std::size_t kNameCapacity = 64;
inline constexpr std::size_t kKeyframerNameCapacity = 13;
inline constexpr std::size_t kMorphNameCapacity = 11;

bool IsShadowChunk(std::uint16_t id);
bool IsBackgroundChunk(std::uint16_t id);
bool IsAtmosphereChunk(std::uint16_t id);
bool IsPercentageChunk(std::uint16_t id);
bool IsTextureMapChunk(std::uint16_t id);

// The node kind that lib3ds makes for a node chunk; unknown for other chunks.
Lib3dsNodeTypes NodeTypeOfTag(std::uint16_t id);

// The kinds of animation track, by the keys lib3ds keeps for them.
enum class Track { Bool, Lin1, Lin3, Quat, Morph };

// Bytes lib3ds allocates for one key.
std::size_t KeySize(Track track);
// Bytes of a key in the file after its frame and flags.
std::size_t KeyValueBytes(Track track);

}  // namespace hollin::importer
