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

// The ground grid's spacing: 1, 2 or 5 times a power of ten of the unit
// (as for DescribeExtent), about a tenth of the model's larger side on the
// ground, and how it is said: "Grid: 50 m".
struct GridSpacing {
    double metres = 0.0;
    QString text;
};
GridSpacing ChooseGridSpacing(const ModelExtent& extent, int unitsOption);

}  // namespace kvstudio
