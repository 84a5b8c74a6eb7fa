#include "HostVersion.h"

namespace kvhost {

std::string HostVersionLine(const char* program) {
    return std::string(program) + " (Korvanta host) " + KV_HOST_VERSION;
}

}  // namespace kvhost
