#pragma once

#include "convert/C3DSImporter.h"

namespace hollin::importer {

// The converter's progress texts in the user's language, built afresh for
// every conversion so that they follow the loaded string table.
ProgressMessageTable LocalizedProgressMessages();

}  // namespace hollin::importer
