#pragma once

#include <optional>
#include <string>

#include "scenefile/SceneFile.h"

namespace kvimport {

// Why a 3DS file did not convert, in the user's language: one line, without
// the file's name. Empty when the file itself is not the reason.
std::string FailureReason(const hollin::importer::SceneFileDiagnosis& diagnosis);

// For a file that loads although a chunk runs past its parent or the end of
// the file: what may be missing, with the chunk and where.
std::optional<std::string> IncompleteFileWarning(const hollin::importer::SceneFileDiagnosis& diagnosis);

}  // namespace kvimport
