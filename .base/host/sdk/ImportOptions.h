#pragma once

#include "utils/Variant.h"

// Options the host passes to one conversion: text keys to tagged values.
using ImportOptions = hollin::utils::VariantDictionary;
