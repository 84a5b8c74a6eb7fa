#include "ModelFile.h"

namespace korvanta {

KVResult SaveModelFile(const Model&, const std::string&) { return KV_ERROR_GENERIC; }

}  // namespace korvanta
