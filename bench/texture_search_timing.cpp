// The texture search alone over a texture folder: RUNS searches, each a new
// TextureSearch (so each lists the folder and its sub-folders again) that
// looks for NAMES 8.3 names found nowhere, as make_texture_search_scene's
// model names them. Prints each run's seconds, of the clock and of the
// processor (which a busy machine inflates less), and their medians.
//
//   make_texture_search_scene 2000 100000 /tmp/library 100
//   texture_search_timing 7 2000 /tmp/library/library

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "settings/TextureSearch.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: texture_search_timing RUNS NAMES TEXTURE_FOLDER\n");
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    const int names = std::atoi(argv[2]);
    std::vector<double> seconds, processor;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t started = std::clock();
        hollin::settings::TextureSearch search("", {argv[3]});
        int found = 0;
        char texture[16];
        for (int name = 0; name < names; ++name) {
            std::snprintf(texture, sizeof texture, "T%07d.JPG", name);
            if (search.Find(texture).found) ++found;
        }
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        processor.push_back(static_cast<double>(std::clock() - started) / CLOCKS_PER_SEC);
        std::printf("run %d: %.3f s (processor %.3f s), %d of %d found\n", run + 1, seconds.back(), processor.back(), found,
                    names);
    }
    for (std::vector<double>* times : {&seconds, &processor}) {
        std::sort(times->begin(), times->end());
        std::printf("%s median %.3f s (%.3f to %.3f)\n", times == &seconds ? "clock" : "processor",
                    (*times)[times->size() / 2], times->front(), times->back());
    }
    return 0;
}
