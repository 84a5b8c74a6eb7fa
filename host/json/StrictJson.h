#pragma once

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

// The one way the host's libraries read JSON that came from outside (model
// files, the preference store). Plain JSON parsers take a key given twice in
// one object silently, and differ in which value counts; a second reader of
// the same text, such as a viewer, may then see another document than the
// one that was checked. Nesting has no limit in JSON, but everything that
// walks a document recursively has one.
namespace korvanta {

// Deeper than any JSON of the host's goes, and shallow enough that nothing
// walking a document recursively can run out of stack.
inline constexpr int kMaxJsonNesting = 64;

enum class JsonFault {
    None,
    Malformed,     // not JSON text
    DuplicateKey,  // a key given twice in one object
    TooDeep,       // arrays and objects nested deeper than kMaxJsonNesting
    NotAnObject,   // JSON, but not one object, as every JSON file of the host is
};

// What is wrong with a JSON text, and where: the byte of the text for
// Malformed, the member concerned (a JSON pointer, with control characters
// shown as '?') for DuplicateKey and TooDeep.
struct JsonVerdict {
    JsonFault fault = JsonFault::None;
    std::size_t offset = 0;
    std::string member;
};

// Parses the whole text as one JSON object; `document` holds it when the
// verdict has no fault, and is discarded otherwise. With `keep`, the
// document holds only the top-level members named there: the others are
// checked as strictly, but nothing is made of them.
JsonVerdict ParseJsonObject(std::string_view text, nlohmann::json& document,
                            const std::set<std::string, std::less<>>* keep = nullptr);

// The fault in an English sentence, which the host programs translate.
const char* DescribeJsonFault(JsonFault fault);

}  // namespace korvanta
