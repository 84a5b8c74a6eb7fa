#include "BrickTexture.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <stb_image_write.h>

namespace hollin::samples {

bool WriteBrickTexture(const std::filesystem::path& path) {
    constexpr int kSize = 64, kBrickWidth = 16, kBrickHeight = 8;
    std::vector<std::uint8_t> pixels(kSize * kSize * 3);
    for (int y = 0; y < kSize; ++y) {
        const int row = y / kBrickHeight;
        for (int x = 0; x < kSize; ++x) {
            const int shiftedX = (x + (row % 2) * kBrickWidth / 2) % kSize;
            const bool mortar = y % kBrickHeight == 0 || shiftedX % kBrickWidth == 0;
            const int shade = ((row * 7 + shiftedX / kBrickWidth * 3) % 5) * 8;
            std::uint8_t* pixel = &pixels[static_cast<std::size_t>((y * kSize + x) * 3)];
            pixel[0] = static_cast<std::uint8_t>(mortar ? 205 : 150 + shade);
            pixel[1] = static_cast<std::uint8_t>(mortar ? 200 : 62 + shade / 2);
            pixel[2] = static_cast<std::uint8_t>(mortar ? 190 : 45 + shade / 2);
        }
    }
    // Written beside the target and renamed over it, so a reader never sees half an image.
    const std::string temporaryPath = path.string() + ".partial";
    if (stbi_write_png(temporaryPath.c_str(), kSize, kSize, 3, pixels.data(), kSize * 3) == 0) {
        std::remove(temporaryPath.c_str());
        return false;
    }
    return std::rename(temporaryPath.c_str(), path.c_str()) == 0;
}

}  // namespace hollin::samples
