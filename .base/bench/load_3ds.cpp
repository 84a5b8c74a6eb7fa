// The floor of the benchmark of record: what reading a 3DS file costs with
// lib3ds alone, which any importer built on it pays. Loads the file, frees
// it, and nothing else.

#include <cstdio>

#include <lib3ds/file.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.3ds\n", argv[0]);
        return 2;
    }
    Lib3dsFile* file = lib3ds_file_load(argv[1]);
    if (file == nullptr) {
        std::fprintf(stderr, "load_3ds: cannot read %s\n", argv[1]);
        return 1;
    }
    lib3ds_file_free(file);
    return 0;
}
