// How fast the plug-in turns 3DS files into saved models, loaded and called
// the way a host does: a large generated terrain (about half a million faces,
// with and without merging coplanar faces) and every real 3DS file installed
// on the machine.

#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BrickTexture.h"
#include "GridMesh.h"
#include "KorvantaModelImporterInterface.h"
#include "SceneBuilder.h"

namespace {

using hollin::samples::GridMesh;
using hollin::samples::MakeGrid;
using hollin::samples::Point;
using hollin::samples::SceneBuilder;
using hollin::samples::WriteBrickTexture;

constexpr int kTilesPerSide = 4;
constexpr int kQuadsPerTileSide = 128;
constexpr int kTerrainFaces = kTilesPerSide * kTilesPerSide * kQuadsPerTileSide * kQuadsPerTileSide * 2;

const char* const kRealModelFolders[] = {
    "/usr/share/assimp/models/3DS",
    "/usr/share/glmark2/models",
    "/usr/share/games/gl-117/models",
};

std::filesystem::path WorkFolder() {
    static const std::filesystem::path folder = [] {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("kv-conversion-benchmark-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

// Rolling hills in tiles of one mesh and one node each; flat stretches give
// the coplanar merge something to do.
std::filesystem::path LargeTerrain() {
    static const std::filesystem::path path = [] {
        constexpr float kSpacing = 12.0f;
        WriteBrickTexture(WorkFolder() / "bricks.png");
        SceneBuilder scene;
        scene.AddMaterial("Paving", {0.8f, 0.8f, 0.8f}, 0.0f, "bricks.png");
        scene.AddMaterial("Rock", {0.5f, 0.45f, 0.4f});
        const auto hills = [](float x, float y) {
            const float hill = std::sin(x / 400.0f) * std::cos(y / 530.0f) * 60.0f;
            return hill > 0.0f ? hill : 0.0f;
        };
        for (int tileY = 0; tileY < kTilesPerSide; ++tileY) {
            for (int tileX = 0; tileX < kTilesPerSide; ++tileX) {
                const Point origin{static_cast<float>(tileX * kQuadsPerTileSide) * kSpacing,
                                   static_cast<float>(tileY * kQuadsPerTileSide) * kSpacing, 0.0f};
                const GridMesh tile = MakeGrid(kQuadsPerTileSide, origin, kSpacing, hills);
                const std::string name = "Tile" + std::to_string(tileY * kTilesPerSide + tileX);
                scene.AddMesh(name, tile.points, tile.faces, (tileX + tileY) % 3 == 0 ? "Rock" : "Paving", tile.texels);
                scene.AddObjectNode(name);
            }
        }
        const std::filesystem::path file = WorkFolder() / "terrain.3ds";
        if (!scene.Save(file.string())) std::fprintf(stderr, "cannot write %s\n", file.c_str());
        return file;
    }();
    return path;
}

KorvantaModelImporterInterface* LoadImporter() {
    static KorvantaModelImporterInterface* importer = [] () -> KorvantaModelImporterInterface* {
        void* library = ::dlopen(KV_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            std::fprintf(stderr, "%s\n", ::dlerror());
            return nullptr;
        }
        auto* entry = reinterpret_cast<GetKorvantaModelImporterInterfaceFunction*>(
            ::dlsym(library, kImporterEntryPointName));
        return entry == nullptr ? nullptr : entry();
    }();
    return importer;
}

void Convert(benchmark::State& state, const std::filesystem::path& input, bool merge, std::int64_t facesPerRun) {
    KorvantaModelImporterInterface* importer = LoadImporter();
    if (importer == nullptr) {
        state.SkipWithError("the plug-in did not load");
        return;
    }
    const std::filesystem::path output = WorkFolder() / (input.stem().string() + ".kvm");
    // Model units, so that the preference store has no say in the result.
    const ImportOptions options{{hollin::utils::Utf16String(u"ImportUnits"), hollin::utils::Variant(0)},
                                {hollin::utils::Utf16String(u"ImportMergeCoplanarFaces"), hollin::utils::Variant(merge)}};
    for (auto _ : state) {
        ImportOptions perRun = options;
        if (!importer->ConvertToModel(input.string(), output.string(), nullptr, &perRun)) {
            state.SkipWithError(("cannot convert " + input.string()).c_str());
            break;
        }
    }
    if (facesPerRun > 0) state.SetItemsProcessed(state.iterations() * facesPerRun);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(input)));
}

void BM_ConvertLargeTerrain(benchmark::State& state) {
    Convert(state, LargeTerrain(), false, kTerrainFaces);
}
BENCHMARK(BM_ConvertLargeTerrain)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ConvertLargeTerrainMergingCoplanarFaces(benchmark::State& state) {
    Convert(state, LargeTerrain(), true, kTerrainFaces);
}
BENCHMARK(BM_ConvertLargeTerrainMergingCoplanarFaces)->Unit(benchmark::kMillisecond)->UseRealTime();

bool Is3dsFile(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    for (char& character : extension) character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
    return extension == ".3ds";
}

void RegisterRealFiles() {
    for (const char* folder : kRealModelFolders) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            if (!entry.is_regular_file() || !Is3dsFile(entry.path())) continue;
            const std::filesystem::path input = entry.path();
            benchmark::RegisterBenchmark(("BM_ConvertRealFile/" + input.filename().string()).c_str(),
                                         [input](benchmark::State& state) { Convert(state, input, false, 0); })
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    // The plug-in reads its stored options; keep the user's own store out of it.
    ::setenv("XDG_CONFIG_HOME", WorkFolder().c_str(), 1);
    RegisterRealFiles();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(WorkFolder(), ignored);
    return 0;
}
