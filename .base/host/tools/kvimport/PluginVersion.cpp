#include "PluginVersion.h"

#include <elf.h>

#include <cstring>
#include <optional>
#include <string_view>

#include "utils/WholeFile.h"

namespace kvimport {
namespace {

constexpr std::uint64_t kLargestPlugin = std::uint64_t{1} << 30;
constexpr std::string_view kSectionName = ".korvanta.version";

// A value of the file at `offset`, if the file holds all of it.
template <typename Value>
std::optional<Value> At(const std::vector<std::uint8_t>& file, std::uint64_t offset) {
    if (offset > file.size() || file.size() - offset < sizeof(Value)) return std::nullopt;
    Value value;
    std::memcpy(&value, file.data() + offset, sizeof(Value));
    return value;
}

std::vector<std::string> SplitTexts(std::string_view bytes) {
    std::vector<std::string> texts;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = std::min(bytes.find('\0', start), bytes.size());
        if (end > start) texts.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return texts;
}

}  // namespace

std::vector<std::string> ReadPluginVersionRecord(const std::filesystem::path& plugin) {
    const std::optional<std::vector<std::uint8_t>> file = hollin::utils::ReadWholeFile(plugin.string(), kLargestPlugin);
    if (!file) return {};
    const std::optional<Elf64_Ehdr> header = At<Elf64_Ehdr>(*file, 0);
    if (!header || std::memcmp(header->e_ident, ELFMAG, SELFMAG) != 0 || header->e_ident[EI_CLASS] != ELFCLASS64 ||
        header->e_shentsize != sizeof(Elf64_Shdr)) {
        return {};
    }
    const std::optional<Elf64_Shdr> names =
        At<Elf64_Shdr>(*file, header->e_shoff + std::uint64_t{header->e_shstrndx} * sizeof(Elf64_Shdr));
    if (!names || names->sh_offset > file->size() || file->size() - names->sh_offset < names->sh_size) return {};
    const std::string_view nameTable(reinterpret_cast<const char*>(file->data() + names->sh_offset), names->sh_size);
    for (std::uint64_t index = 0; index < header->e_shnum; ++index) {
        const std::optional<Elf64_Shdr> section = At<Elf64_Shdr>(*file, header->e_shoff + index * sizeof(Elf64_Shdr));
        if (!section) return {};
        if (section->sh_name >= nameTable.size()) continue;
        const std::string_view name = nameTable.substr(section->sh_name, nameTable.find('\0', section->sh_name) - section->sh_name);
        if (name != kSectionName || section->sh_type == SHT_NOBITS) continue;
        if (section->sh_offset > file->size() || file->size() - section->sh_offset < section->sh_size) return {};
        return SplitTexts({reinterpret_cast<const char*>(file->data() + section->sh_offset), section->sh_size});
    }
    return {};
}

}  // namespace kvimport
