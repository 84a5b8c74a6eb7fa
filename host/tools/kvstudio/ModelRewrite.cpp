#include "ModelRewrite.h"

#include <cstring>

#include "HostText.h"
#include "JsonFileReasons.h"
#include "KorvantaAPI.h"

namespace kvstudio {

std::optional<std::string> RewriteModelFile(const std::string& source, const std::string& target) {
    if (KVInitialize() != KV_SUCCESS) return kvhost::Translated("the modelling library could not start");
    std::optional<std::string> why;
    KVModelRef model{};
    KVModelFileVerdict verdict{};
    if (KVModelCreateFromFile(&model, source.c_str(), &verdict) != KV_SUCCESS) {
        why = kvhost::WhyModelFileNotRead(verdict);
    } else {
        if (KVModelSaveToFile(model, target.c_str()) != KV_SUCCESS) {
            why = kvhost::Compose("the view's copy of it cannot be written to %s", {target});
            // The library knows what the system said, a full disk say.
            if (const int refused = KVModelLastSaveError(target.c_str()); refused != 0) {
                why = kvhost::Compose("%1$s: %2$s", {*why, std::strerror(refused)});
            }
        }
        KVModelRelease(&model);
    }
    KVTerminate();
    return why;
}

}  // namespace kvstudio
