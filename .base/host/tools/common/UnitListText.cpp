#include "UnitListText.h"

#include "settings/LengthUnits.h"

namespace kvhost {

using hollin::settings::kLengthUnits;

namespace {

constexpr std::size_t kHelpWidth = 80;

}  // namespace

std::string UnitNameList() {
    std::string list;
    for (std::size_t index = 0; index < kLengthUnits.size(); ++index) {
        if (index > 0) list += index + 1 == kLengthUnits.size() ? " or " : ", ";
        list += kLengthUnits[index].name;
    }
    return list;
}

std::string UnitIndexList(std::size_t indent) {
    std::string text;
    std::size_t column = indent;
    for (std::size_t index = 0; index < kLengthUnits.size(); ++index) {
        std::string item = std::to_string(index) + " " + std::string(kLengthUnits[index].name);
        if (index == 0) item += " (the file's own scale)";
        item += index + 1 == kLengthUnits.size() ? "" : ",";
        if (index > 0 && column + 1 + item.size() > kHelpWidth) {
            text += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (index > 0) {
            text += ' ';
            ++column;
        }
        text += item;
        column += item.size();
    }
    return text;
}

}  // namespace kvhost
