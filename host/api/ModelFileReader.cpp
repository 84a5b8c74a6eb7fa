#include "ModelFile.h"

namespace korvanta {

KVResult LoadModelFile(const std::string&, Model&) { return KV_ERROR_GENERIC; }

}  // namespace korvanta
