// Fill and coplanar merge of large inputs through the modelling API. Both
// should grow about linearly with the number of faces; reading the same
// triangles from a 3DS file is the yardstick for the fill with welding.

#include <benchmark/benchmark.h>
#include <lib3ds/file.h>
#include <lib3ds/mesh.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>
#include <unistd.h>

#include "KorvantaAPI.h"

namespace {

struct Mesh {
    std::vector<KVPoint3D> points;
    std::vector<std::size_t> triangles;  // three vertex numbers each
};

// n x n unit squares, two coplanar triangles each.
Mesh FlatGrid(std::size_t n) {
    Mesh mesh;
    for (std::size_t j = 0; j <= n; ++j) {
        for (std::size_t i = 0; i <= n; ++i) mesh.points.push_back({double(i), double(j), 0.0});
    }
    const auto at = [n](std::size_t i, std::size_t j) { return j * (n + 1) + i; };
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t i = 0; i < n; ++i) {
            mesh.triangles.insert(mesh.triangles.end(), {at(i, j), at(i + 1, j), at(i + 1, j + 1)});
            mesh.triangles.insert(mesh.triangles.end(), {at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    }
    return mesh;
}

// A closed sphere of about 2 * segments * (rings - 1) triangles, every
// triangle with its own three points (as triangle soups arrive), so welding
// has all the work.
Mesh SoupSphere(std::size_t rings, std::size_t segments) {
    Mesh mesh;
    const double radius = 100.0;
    const auto point = [&](std::size_t ring, std::size_t segment) {
        const double polar = std::numbers::pi * double(ring) / double(rings);
        const double azimuth = 2.0 * std::numbers::pi * double(segment % segments) / double(segments);
        return KVPoint3D{radius * std::sin(polar) * std::cos(azimuth), radius * std::sin(polar) * std::sin(azimuth),
                         radius * std::cos(polar)};
    };
    const auto triangle = [&](KVPoint3D a, KVPoint3D b, KVPoint3D c) {
        for (const KVPoint3D& p : {a, b, c}) {
            mesh.triangles.push_back(mesh.points.size());
            mesh.points.push_back(p);
        }
    };
    for (std::size_t ring = 0; ring < rings; ++ring) {
        for (std::size_t segment = 0; segment < segments; ++segment) {
            const KVPoint3D a = point(ring, segment), b = point(ring + 1, segment);
            const KVPoint3D c = point(ring + 1, segment + 1), d = point(ring, segment + 1);
            if (ring != 0) triangle(a, b, d);
            if (ring + 1 != rings) triangle(d, b, c);
        }
    }
    return mesh;
}

KVGeometryInputRef BuildInput(const Mesh& mesh) {
    KVGeometryInputRef input{};
    KVGeometryInputCreate(&input);
    for (const KVPoint3D& p : mesh.points) KVGeometryInputAddVertex(input, &p);
    for (std::size_t t = 0; t < mesh.triangles.size(); t += 3) {
        KVLoopInputRef loop{};
        KVLoopInputCreate(&loop);
        for (std::size_t k = 0; k < 3; ++k) KVLoopInputAddVertexIndex(loop, mesh.triangles[t + k]);
        KVGeometryInputAddFace(input, &loop, nullptr);
    }
    return input;
}

struct FilledModel {
    KVModelRef model{};
    explicit FilledModel(const Mesh& mesh) {
        KVEntitiesRef entities{};
        KVModelCreate(&model);
        KVModelGetEntities(model, &entities);
        KVGeometryInputRef input = BuildInput(mesh);
        KVEntitiesFill(entities, input, true);
        KVGeometryInputRelease(&input);
    }
    ~FilledModel() { KVModelRelease(&model); }
};

std::size_t FaceCount(KVModelRef model) {
    KVEntitiesRef entities{};
    std::size_t count = 0;
    KVModelGetEntities(model, &entities);
    KVEntitiesGetNumFaces(entities, &count);
    return count;
}

// Fills a fresh model from the mesh on every iteration; releasing the model is not timed.
void TimeWeldedFills(benchmark::State& state, const Mesh& mesh) {
    KVInitialize();
    KVGeometryInputRef input = BuildInput(mesh);
    for (auto _ : state) {
        KVModelRef model{};
        KVEntitiesRef entities{};
        KVModelCreate(&model);
        KVModelGetEntities(model, &entities);
        benchmark::DoNotOptimize(KVEntitiesFill(entities, input, true));
        state.PauseTiming();
        KVModelRelease(&model);
        state.ResumeTiming();
    }
    KVGeometryInputRelease(&input);
    state.SetComplexityN(static_cast<benchmark::IterationCount>(mesh.triangles.size() / 3));
    KVTerminate();
}

void BuildInputOfGrid(benchmark::State& state) {
    KVInitialize();
    const Mesh mesh = FlatGrid(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        KVGeometryInputRef input = BuildInput(mesh);
        KVGeometryInputRelease(&input);
    }
    state.SetComplexityN(static_cast<benchmark::IterationCount>(mesh.triangles.size() / 3));
    KVTerminate();
}

void FillGridWithWelding(benchmark::State& state) {
    TimeWeldedFills(state, FlatGrid(static_cast<std::size_t>(state.range(0))));
}

void MergeFlatGrid(benchmark::State& state) {
    KVInitialize();
    const Mesh mesh = FlatGrid(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        FilledModel filled(mesh);
        state.ResumeTiming();
        KVModelMergeCoplanarFaces(filled.model);
        state.PauseTiming();
        if (FaceCount(filled.model) != 1) state.SkipWithError("the grid did not merge into one face");
        state.ResumeTiming();
    }
    state.SetComplexityN(static_cast<benchmark::IterationCount>(mesh.triangles.size() / 3));
    KVTerminate();
}

void FillSoupSphereWithWelding(benchmark::State& state) {
    const auto segments = static_cast<std::size_t>(state.range(0));
    TimeWeldedFills(state, SoupSphere(segments / 2 + 1, segments));
}

void MergeSphere(benchmark::State& state) {
    KVInitialize();
    const auto segments = static_cast<std::size_t>(state.range(0));
    const Mesh mesh = SoupSphere(segments / 2 + 1, segments);
    for (auto _ : state) {
        state.PauseTiming();
        FilledModel filled(mesh);
        state.ResumeTiming();
        KVModelMergeCoplanarFaces(filled.model);
    }
    state.SetComplexityN(static_cast<benchmark::IterationCount>(mesh.triangles.size() / 3));
    KVTerminate();
}

// A sphere of segments^2 triangles as a soup: one million at 1000 segments.
Mesh MillionTriangleSphere(std::size_t segments) { return SoupSphere(segments / 2 + 1, segments); }

// Writes the soup as a 3DS scene, in meshes small enough for its 16-bit
// point numbers; the file is removed when the benchmark is done with it.
class SoupFile {
public:
    explicit SoupFile(const Mesh& mesh)
        : path_((std::filesystem::temp_directory_path() / ("host_api_benchmark_" + std::to_string(getpid()) + ".3ds"))
                    .string()) {
        constexpr std::size_t kTrianglesPerMesh = 65535 / 3;
        Lib3dsFile* file = lib3ds_file_new();
        const std::size_t triangleCount = mesh.triangles.size() / 3;
        for (std::size_t first = 0, part = 0; first < triangleCount; first += kTrianglesPerMesh, ++part) {
            const std::size_t count = std::min(kTrianglesPerMesh, triangleCount - first);
            Lib3dsMesh* part3ds = lib3ds_mesh_new(("part" + std::to_string(part)).c_str());
            lib3ds_mesh_new_point_list(part3ds, static_cast<Lib3dsDword>(count * 3));
            lib3ds_mesh_new_face_list(part3ds, static_cast<Lib3dsDword>(count));
            for (std::size_t t = 0; t < count; ++t) {
                for (std::size_t k = 0; k < 3; ++k) {
                    const KVPoint3D& p = mesh.points[mesh.triangles[(first + t) * 3 + k]];
                    Lib3dsPoint& point = part3ds->pointL[t * 3 + k];
                    point.pos[0] = static_cast<float>(p.x);
                    point.pos[1] = static_cast<float>(p.y);
                    point.pos[2] = static_cast<float>(p.z);
                    part3ds->faceL[t].points[k] = static_cast<Lib3dsWord>(t * 3 + k);
                }
                part3ds->faceL[t].flags = LIB3DS_FACE_FLAG_VIS_AB | LIB3DS_FACE_FLAG_VIS_BC | LIB3DS_FACE_FLAG_VIS_AC;
            }
            lib3ds_file_insert_mesh(file, part3ds);
        }
        saved_ = lib3ds_file_save(file, path_.c_str()) != LIB3DS_FALSE;
        lib3ds_file_free(file);
    }
    ~SoupFile() { std::remove(path_.c_str()); }
    SoupFile(const SoupFile&) = delete;
    SoupFile& operator=(const SoupFile&) = delete;

    bool Saved() const { return saved_; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    bool saved_ = false;
};

void Read3dsSoup(benchmark::State& state) {
    const Mesh mesh = MillionTriangleSphere(static_cast<std::size_t>(state.range(0)));
    const SoupFile soup(mesh);
    if (!soup.Saved()) {
        state.SkipWithError("lib3ds could not write the scene");
        return;
    }
    for (auto _ : state) {
        Lib3dsFile* file = lib3ds_file_load(soup.Path().c_str());
        if (file == nullptr) {
            state.SkipWithError("lib3ds could not read the scene back");
            break;
        }
        lib3ds_file_free(file);
    }
    state.SetComplexityN(static_cast<benchmark::IterationCount>(mesh.triangles.size() / 3));
}

void FillSoupWithWelding(benchmark::State& state) {
    TimeWeldedFills(state, MillionTriangleSphere(static_cast<std::size_t>(state.range(0))));
}

}  // namespace

// Grids of 2 * n^2 triangles: 1000 gives two million.
BENCHMARK(BuildInputOfGrid)->Arg(250)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(FillGridWithWelding)->Arg(250)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(MergeFlatGrid)->Arg(250)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
// Spheres of about segments^2 triangles: 448 gives about 200 000.
BENCHMARK(FillSoupSphereWithWelding)->Arg(112)->Arg(224)->Arg(448)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(MergeSphere)->Arg(112)->Arg(224)->Arg(448)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// One million triangles: read from a 3DS file, and filled with welding.
BENCHMARK(Read3dsSoup)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(FillSoupWithWelding)->Arg(1000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
