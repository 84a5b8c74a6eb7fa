// What each JSON fault is, in words. The host programs' catalogues translate
// these: update-template.sh takes every text of this file.
#include "StrictJson.h"

namespace korvanta {

const char* DescribeJsonFault(JsonFault fault) {
    switch (fault) {
        case JsonFault::None: return "nothing wrong";
        case JsonFault::Malformed: return "it is not well-formed JSON";
        case JsonFault::DuplicateKey: return "a key is given twice in one object";
        case JsonFault::TooDeep: return "its arrays and objects nest deeper than 64 levels";
        case JsonFault::NotAnObject: return "it is not a JSON object";
    }
    return "unknown fault";
}

}  // namespace korvanta
