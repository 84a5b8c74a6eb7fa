#pragma once

#include <cstdint>
#include <list>

#include "utils/Utf16String.h"

namespace hollin::importer {

using hollin::utils::Utf16String;

enum ImportErrorKind : std::int32_t {
    OpenFile = 0,
    Camera = 1,
    Material = 2,
    Node = 3,
    Mesh = 4,
    Texture = 5,
    Face = 6,
};

// One problem met during a conversion and the object it concerns (a path, a
// material, node or mesh name, or a texture file name).
struct ImportError {
    ImportErrorKind kind;
    Utf16String name;
};

using ImportErrorList = std::list<ImportError>;

Utf16String GetErrorMessage(ImportErrorKind kind);
// The errors section; empties `errors` as it goes. Empty when there are none.
Utf16String FormatErrorReport(ImportErrorList& errors);
// The counts section.
Utf16String FormatImportSummary(std::int32_t materialCount, std::int32_t nodeCount, std::int32_t meshCount);

}  // namespace hollin::importer
