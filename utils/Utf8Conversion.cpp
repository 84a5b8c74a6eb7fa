#include "Utf8Conversion.h"
