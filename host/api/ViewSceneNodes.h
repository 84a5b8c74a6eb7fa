#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

#include "ViewScene.h"

// The node tree of a model file's scene. A model places a part a million
// times and the file has a node for each placement, so the nodes are read
// from their JSON straight into small records, as the text goes by: a JSON
// value for each would cost a viewer more than drawing the part.
namespace korvanta {

// Reads the text of a glTF "nodes" array into the scene's nodes and
// children, at most `mostNodes` of them; false when the text is not such an
// array, a node is not as glTF has it (a transform given as a matrix and as
// parts, a member given twice, a number where an index belongs that is not
// one) or there are more nodes. Numbers that name other things are not
// checked against them here.
bool ReadViewNodes(std::string_view json, std::size_t mostNodes, ViewScene& scene);

// Where the value of the member `key` of the JSON object whose text is
// `document` lies: its first byte and its length; nothing when the document
// is not an object or has no such member. The value itself is not checked.
std::optional<std::pair<std::size_t, std::size_t>> MemberValue(std::string_view document, std::string_view key);

}  // namespace korvanta
