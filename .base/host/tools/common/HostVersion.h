#pragma once

#include <string>

namespace kvhost {

// "NAME (Korvanta host) VERSION", the first line of every program's --version.
std::string HostVersionLine(const char* program);

}  // namespace kvhost
