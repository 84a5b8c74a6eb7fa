#pragma once

#include <QString>

#include "utils/Utf16String.h"

namespace hollin::framework {

// Both hold UTF-16 code units, so these copy without converting.
inline QString ToQString(const hollin::utils::Utf16String& text) {
    return QString::fromStdU16String(text.Units());
}

inline hollin::utils::Utf16String FromQString(const QString& text) {
    return hollin::utils::Utf16String(text.toStdU16String());
}

}  // namespace hollin::framework
