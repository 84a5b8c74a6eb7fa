// Feeds arbitrary bytes through the decoding of a texture file: the format
// check, the size limits, the decoders and the PNG re-encoding.

#include <cstdint>
#include <cstdlib>
#include <variant>
#include <vector>

#include "EmbeddableImage.h"
#include "ImageLimits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvanta::image;
    const ImageOutcome<EmbeddableImage> outcome = ToEmbeddableImage(std::vector<std::uint8_t>(data, data + size));
    if (const auto* image = std::get_if<EmbeddableImage>(&outcome)) {
        // What is accepted must be what the model file can carry.
        if (image->bytes.empty() || !IsWithinImageLimits(image->size) || image->size.width == 0 ||
            image->size.height == 0) {
            std::abort();
        }
    }
    return 0;
}
