#include "Utf16String.h"
