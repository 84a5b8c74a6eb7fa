// Writes FOLDER/model.3ds, whose NAMES materials each name a texture that is
// nowhere (8.3 names, so that every way of matching a name is tried), and
// FILES empty files beside it: the texture search and its hint over a large
// folder, as a model unpacked into a crowded Downloads folder meets them.
// With SUBFOLDERS, the files go into the texture folder FOLDER/library
// instead, spread evenly over that many sub-folders of it (none: all in
// FOLDER/library itself), as a picture library meets the search.
//
//   make_texture_search_scene 2000 100000 /tmp/crowded
//   time build/bin/kvimport /tmp/crowded/model.3ds /tmp/crowded/model.kvm
//   make_texture_search_scene 2000 100000 /tmp/library 100
//   time build/bin/kvimport --texture-folder /tmp/library/library /tmp/library/model.3ds /tmp/library/model.kvm

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "SceneBuilder.h"

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: make_texture_search_scene NAMES FILES FOLDER [SUBFOLDERS]\n");
        return 2;
    }
    const int names = std::atoi(argv[1]);
    const int files = std::atoi(argv[2]);
    const std::filesystem::path folder = argv[3];
    const int subfolders = argc == 5 ? std::atoi(argv[4]) : -1;
    std::filesystem::create_directories(folder);

    hollin::samples::SceneBuilder scene;
    char texture[16];
    for (int name = 0; name < names; ++name) {
        std::snprintf(texture, sizeof texture, "T%07d.JPG", name);
        scene.AddMaterial("material " + std::to_string(name), {0.5f, 0.5f, 0.5f}, 0.0f, texture);
    }
    const hollin::samples::Point points[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const hollin::samples::Triangle faces[] = {{0, 1, 2}};
    scene.AddMesh("tile", points, faces, "material 0");
    if (!scene.Save((folder / "model.3ds").string())) {
        std::fprintf(stderr, "cannot write %s\n", (folder / "model.3ds").c_str());
        return 1;
    }
    const std::filesystem::path library = subfolders < 0 ? folder : folder / "library";
    for (int file = 0; file < files; ++file) {
        std::filesystem::path place = library;
        if (subfolders > 0) place /= "album_" + std::to_string(file % subfolders);
        if (file < std::max(subfolders, 1)) std::filesystem::create_directories(place);
        std::ofstream(place / ("photo_" + std::to_string(file) + ".jpeg"));
    }
    return 0;
}
