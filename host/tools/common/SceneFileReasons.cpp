#include "SceneFileReasons.h"

#include <cstdio>
#include <new>

#include "HostText.h"

namespace kvhost {
namespace {

using hollin::importer::SceneFileDiagnosis;
using hollin::importer::SceneFileProblem;

std::string Hex(std::uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

// Bytes as hex, and as text where they are printable.
std::string FirstBytes(const std::vector<std::uint8_t>& bytes) {
    std::string hex, text;
    for (const std::uint8_t byte : bytes) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%s%02X", hex.empty() ? "" : " ", byte);
        hex += pair;
        text.push_back(byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.');
    }
    return hex + " \"" + text + "\"";
}

std::string Chunk(const hollin::importer::ChunkPlace& place) {
    return Compose("chunk %1$s at byte %2$s", {Hex(place.id, 4), std::to_string(place.offset)});
}

}  // namespace

std::string FailureReason(const SceneFileDiagnosis& diagnosis) {
    switch (diagnosis.problem) {
        case SceneFileProblem::None: return {};
        case SceneFileProblem::Missing: return Translated("there is no such file");
        case SceneFileProblem::Folder: return Translated("it is a folder, not a file");
        case SceneFileProblem::NotAFile: return Translated("it is not a regular file");
        case SceneFileProblem::Unreadable: return Compose("it cannot be read: %s", {diagnosis.systemError});
        case SceneFileProblem::Empty: return Translated("the file is empty");
        case SceneFileProblem::TooLarge:
            return Translated("it is 4 GiB or larger, more than a 3DS file can be");
        case SceneFileProblem::NotA3dsFile:
            return Compose("it is not a 3DS file (it starts with %s)", {FirstBytes(diagnosis.firstBytes)});
        case SceneFileProblem::Damaged:
            return Compose("the file is damaged: %1$s (%2$s)",
                           {Translated(DescribeSceneFileFault(diagnosis.verdict.fault)), Chunk(diagnosis.verdict.where)});
        case SceneFileProblem::TooDeep:
            return Compose("it asks for more than the import allows: a node tree deeper than %s levels",
                           {std::to_string(hollin::importer::kMaxNodeDepth)});
        case SceneFileProblem::NotEnoughMemory:
            if (diagnosis.allocationFailed) {
                return Compose("it is too large for the memory there is: the memory ran out while it was read, with %s "
                               "MiB available (the memory free on this machine, or less where a control group or "
                               "ulimit -v or -d sets a limit)",
                               {Grouped(MebibytesOf(diagnosis.memoryAvailable))});
            }
            return Compose("it needs more memory than there is: about %1$s MiB for %2$s faces, and %3$s MiB is "
                           "available (the memory free on this machine, or less where a control group or ulimit -v or -d "
                           "sets a limit); closing other programs or raising that limit would help",
                           {Grouped(MebibytesOf(diagnosis.verdict.memoryNeeded)), Grouped(diagnosis.verdict.facesToBuild),
                            Grouped(MebibytesOf(diagnosis.memoryAvailable))});
    }
    return {};
}

std::optional<std::string> IncompleteFileWarning(const SceneFileDiagnosis& diagnosis) {
    if (diagnosis.problem != SceneFileProblem::None || !diagnosis.verdict.overrun) return std::nullopt;
    const hollin::importer::ChunkOverrun& overrun = *diagnosis.verdict.overrun;
    const std::string chunk = Chunk(overrun.chunk);
    const std::string declaredEnd = std::to_string(overrun.declaredEnd);
    const std::string actualEnd = std::to_string(overrun.actualEnd);
    if (overrun.pastFileEnd) {
        return Compose("the model may be incomplete: %1$s runs to byte %2$s, past the end of the file at byte %3$s",
                       {chunk, declaredEnd, actualEnd});
    }
    return Compose("the model may be incomplete: %1$s runs to byte %2$s, past the end of its parent at byte %3$s",
                   {chunk, declaredEnd, actualEnd});
}

std::string WhyNotConverted(const std::filesystem::path& input, const SceneFileDiagnosis& checked) {
    if (checked.problem != SceneFileProblem::None) return FailureReason(checked);
    std::string loaded;
    try {
        loaded = FailureReason(hollin::importer::ReadSceneFile(input.string()).diagnosis);
    } catch (const std::bad_alloc&) {
        hollin::importer::SceneFileDiagnosis ranOut;
        ranOut.problem = hollin::importer::SceneFileProblem::NotEnoughMemory;
        ranOut.allocationFailed = true;
        loaded = FailureReason(ranOut);
    }
    return loaded.empty() ? Translated("the import failed (see the import report)") : loaded;
}

}  // namespace kvhost
