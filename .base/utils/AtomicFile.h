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
// untouched, no temporary file is left, and `error` (when given) says what
// failed, naming the path.
bool ReplaceFileAtomically(const std::string& utf8Path, std::string_view contents, std::string* error = nullptr);

// The same for contents too large to hold twice: `write` puts them onto a
// stream over the temporary file. When it returns false or throws, or a
// write fails, the target is untouched and the temporary file removed; an
// exception is passed on.
bool ReplaceFileAtomically(const std::string& utf8Path, const std::function<bool(std::ostream&)>& write,
                           std::string* error = nullptr);

}  // namespace hollin::utils
