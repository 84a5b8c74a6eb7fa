#include "GlbEditing.h"

#include <cstring>
#include <stdexcept>
#include <string>

namespace korvanta::test {
namespace {

std::uint32_t ReadWord(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    std::uint32_t word = 0;
    std::memcpy(&word, bytes.data() + at, 4);
    return word;
}

void AppendWord(std::vector<std::uint8_t>& bytes, std::uint32_t word) {
    const auto* begin = reinterpret_cast<const std::uint8_t*>(&word);
    bytes.insert(bytes.end(), begin, begin + 4);
}

}  // namespace

std::vector<std::uint8_t> EditGlbJson(const std::vector<std::uint8_t>& glb,
                                      const std::function<void(nlohmann::json&)>& edit) {
    if (glb.size() < 20) throw std::invalid_argument("not a glTF binary");
    const std::uint32_t jsonLength = ReadWord(glb, 12);
    nlohmann::json document = nlohmann::json::parse(glb.begin() + 20, glb.begin() + 20 + jsonLength);
    edit(document);
    std::string text = document.dump();
    text.append((4 - text.size() % 4) % 4, ' ');

    std::vector<std::uint8_t> rest(glb.begin() + 20 + jsonLength, glb.end());
    std::vector<std::uint8_t> edited(glb.begin(), glb.begin() + 8);
    AppendWord(edited, static_cast<std::uint32_t>(20 + text.size() + rest.size()));
    AppendWord(edited, static_cast<std::uint32_t>(text.size()));
    AppendWord(edited, 0x4E4F534A);
    edited.insert(edited.end(), text.begin(), text.end());
    edited.insert(edited.end(), rest.begin(), rest.end());
    return edited;
}

}  // namespace korvanta::test
