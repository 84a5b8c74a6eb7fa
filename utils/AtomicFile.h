#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>

namespace hollin::utils {

// Replaces a file's content in one step: the bytes go to a temporary file in
// the same folder, reach the disk, and only then take the target's name, so
// readers see the old content or the new, never a part. A replaced file keeps
// its permissions; a new one gets rw-r--r--. On failure the target is
// untouched, no temporary file is left, `error` (when given) says what
// failed, naming the path, and `systemError` (when given) gets the system's
// error number (ENOSPC for a full disk). A target that is a symbolic link,
// as dotfile managers make them, stays one: the file it leads to is
// replaced, the temporary file made beside that file.
bool ReplaceFileAtomically(const std::string& utf8Path, std::string_view contents, std::string* error = nullptr,
                           int* systemError = nullptr);

// The same for contents too large to hold twice: `write` puts them onto a
// stream over the temporary file. When it returns false or throws, or a
// write fails, the target is untouched and the temporary file removed; an
// exception is passed on.
bool ReplaceFileAtomically(const std::string& utf8Path, const std::function<bool(std::ostream&)>& write,
                           std::string* error = nullptr, int* systemError = nullptr);

}  // namespace hollin::utils
