// Writes the model files that kvstudio's and the model reader's budgets are
// measured on (see bench/README.md): make_model_bombs FOLDER; with LEVELS,
// only the doubling model of that many levels, doubling-LEVELS.kvm.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ModelBombs.h"

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make_model_bombs FOLDER [LEVELS]\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    if (argc == 3) {
        const int levels = std::atoi(argv[2]);
        return hollin::samples::WriteDoublingModel(folder / ("doubling-" + std::to_string(levels) + ".kvm"), levels) ? 0 : 1;
    }
    const bool written = hollin::samples::WriteDoublingModel(folder / "doubling-20.kvm", 20) &&
                         hollin::samples::WriteImageModel(folder / "images-12x5000.kvm", 12, 5000) &&
                         hollin::samples::WriteRepeatedModel(folder / "repeated-5000.kvm", 5000);
    if (!written) std::fprintf(stderr, "make_model_bombs: could not write the models in %s\n", argv[1]);
    return written ? 0 : 1;
}
