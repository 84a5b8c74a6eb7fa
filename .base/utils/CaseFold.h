#pragma once

#include <string>
#include <string_view>

namespace hollin::utils {

// The form in which two names are compared ignoring case: Unicode's full case
// folding of the composed (NFC) form. It is the same in every locale, so
// every host finds the same files, and "CAFÉ.PNG" written with a combining
// accent still matches "café.png" written with a precomposed one.
std::u16string FoldCase(std::u16string_view text);

}  // namespace hollin::utils
