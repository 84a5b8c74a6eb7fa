#pragma once

#include <filesystem>

namespace kvimport {

// Removes from `folder` the temporary files that a killed import left
// there: a model file's staged copy (.NAME.kvm.XXXXXX) and the modelling
// library's temporary file beside it (..NAME.kvm.XXXXXX.XXXXXX), each
// XXXXXX being six letters or digits. Only regular files of exactly these
// names, owned by this user and unchanged for more than a day, so that an
// import still writing keeps its own; names are looked at and removed
// through the folder's descriptor, and a link is never followed.
void RemoveStaleTemporaryFiles(const std::filesystem::path& folder);

}  // namespace kvimport
