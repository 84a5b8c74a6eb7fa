#include "ModelFileCheck.h"

#include "HostText.h"
#include "KorvantaAPI.h"

namespace kvstudio {

std::optional<std::string> WhyNotAModelFile(const std::string& path) {
    if (KVInitialize() != KV_SUCCESS) return kvhost::Translated("the modelling library could not start");
    KVModelRef model{};
    const KVResult result = KVModelCreateFromFile(&model, path.c_str());
    if (result == KV_SUCCESS) KVModelRelease(&model);
    KVTerminate();
    switch (result) {
        case KV_SUCCESS: return std::nullopt;
        case KV_ERROR_FILE_NOT_FOUND: return kvhost::Translated("there is no such file");
        case KV_ERROR_OUT_OF_RANGE: return kvhost::Translated("its components nest too deep or expand too far");
        default: return kvhost::Translated("it is not a Korvanta model file, or it is damaged");
    }
}

}  // namespace kvstudio
