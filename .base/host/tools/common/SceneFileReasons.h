#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "scenefile/SceneFile.h"

namespace kvhost {

// Why a 3DS file did not convert, in the user's language: one line, without
// the file's name. Empty when the file itself is not the reason.
std::string FailureReason(const hollin::importer::SceneFileDiagnosis& diagnosis);

// For a file that loads although a chunk runs past its parent or the end of
// the file: what may be missing, with the chunk and where.
std::optional<std::string> IncompleteFileWarning(const hollin::importer::SceneFileDiagnosis& diagnosis);

// Why the importer could not convert the file at `input`: what the check
// before the conversion found (`checked`) or, for a file it passed, what
// loading it shows; the import report otherwise.
std::string WhyNotConverted(const std::filesystem::path& input, const hollin::importer::SceneFileDiagnosis& checked);

}  // namespace kvhost
