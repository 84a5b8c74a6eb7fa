#pragma once

#include <QString>

#include "ModelView.h"

namespace kvstudio {

// The unit the importer's options dialog last stored, as its list index.
// Throws the preference store's StoreError when the store cannot be read.
int StoredUnitsOption();

// "Size: 2.64 × 2.64 × 0.96 m" in the unit of a units option of the
// importer ("Model Units", index 0, has no name of its own: inches, the
// modelling application's own unit, stand for it), in the user's language.
QString DescribeExtent(const ModelExtent& extent, int unitsOption);

}  // namespace kvstudio
