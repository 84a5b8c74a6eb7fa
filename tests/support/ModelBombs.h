#pragma once

#include <filesystem>

// Model files that ask a viewer for far more than their size: the cases the
// budgets of the model reader and of kvstudio are there for, and a real
// model's repetition that must still be drawn. Written through the
// modelling library's C API, as any model file is.
namespace hollin::samples {

// `levels` component definitions, the first a box of twelve triangles, each
// further one placing the one before `copies` times side by side; the top
// level places the last once. The library writes a node per placement; the
// file keeps the model's structure alone, as one made to harm would. Twenty
// levels of two copies are 2^20 - 1 placements from 39 stored instances,
// in about 6 KB.
bool WriteDoublingModel(const std::filesystem::path& path, int levels, int copies = 2);

// `images` squares, each with a material of its own textured with a
// one-colour PNG of `side` by `side` pixels, which compresses a thousandfold:
// twelve of 5000 pixels are a file of about 1 MB that decodes to 1.2 GB.
bool WriteImageModel(const std::filesystem::path& path, int images, int side);

// One box definition placed `placements` times in a grid, as real models
// place their bolts and windows.
bool WriteRepeatedModel(const std::filesystem::path& path, int placements);

}  // namespace hollin::samples
