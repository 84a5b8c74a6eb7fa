#pragma once

#include <cstddef>
#include <string>

namespace kvhost {

// The unit names, "Model Units, Inches, ... or Kilometers" in English, for
// messages that say which units there are.
std::string UnitNameList();

// "0 Model Units (the file's own scale), 1 Inches, ..." wrapped to 80
// columns, each line after the first indented by `indent` spaces, for help
// texts.
std::string UnitIndexList(std::size_t indent);

}  // namespace kvhost
