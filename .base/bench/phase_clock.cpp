// The benchmark of record's phase times: preloaded into kvimport
// (LD_PRELOAD), this library stands in for the few host and lib3ds calls
// that begin or end a phase of an import, notes the time, and passes each
// call on to the real function. At exit it appends the phases, in seconds,
// to the file named by KV_PHASE_TIMES, one "name seconds" line each.
//
// Only calls made once a file, a mesh or a model are wrapped, so the clock
// costs the import nothing measurable. Phases run one after another on the
// importer's thread, except the fills, whose times are added up.

#include <dlfcn.h>
#include <lib3ds/file.h>
#include <lib3ds/io.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "KorvantaAPI.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Moments {
    Clock::time_point start = Clock::now();
    Clock::time_point initialized, parseStart, parseEnd, firstDefinition, buildEnd, mergeEnd, saveStart, saveEnd,
        terminated;
    std::atomic<std::int64_t> fillNanoseconds{0};
    bool definitionSeen = false;
};

// Made when the library is loaded, before kvimport starts.
Moments moments;

Moments& Times() { return moments; }

template <typename Function>
Function Real(const char* name) {
    void* found = ::dlsym(RTLD_NEXT, name);
    if (found == nullptr) {
        std::fprintf(stderr, "phase_clock: no %s to pass calls on to\n", name);
        std::abort();
    }
    return reinterpret_cast<Function>(found);
}

double Seconds(Clock::time_point from, Clock::time_point to) {
    if (from == Clock::time_point{} || to == Clock::time_point{} || to < from) return 0.0;
    return std::chrono::duration<double>(to - from).count();
}

// The phases once the process ends; nothing when no import ran.
struct Report {
    ~Report() {
        const Moments& t = Times();
        const char* path = std::getenv("KV_PHASE_TIMES");
        if (path == nullptr || t.terminated == Clock::time_point{}) return;
        std::FILE* file = std::fopen(path, "a");
        if (file == nullptr) return;
        const double fill = static_cast<double>(t.fillNanoseconds.load()) * 1e-9;
        const Clock::time_point buildEnd = t.buildEnd != Clock::time_point{} ? t.buildEnd : t.saveStart;
        std::fprintf(file, "start %.3f\n", Seconds(t.start, t.initialized));
        std::fprintf(file, "check %.3f\n", Seconds(t.initialized, t.parseStart));
        std::fprintf(file, "parse %.3f\n", Seconds(t.parseStart, t.parseEnd));
        std::fprintf(file, "materials %.3f\n", Seconds(t.parseEnd, t.firstDefinition));
        std::fprintf(file, "nodes %.3f\n", Seconds(t.firstDefinition, buildEnd) - fill);
        std::fprintf(file, "fill %.3f\n", fill);
        std::fprintf(file, "merge %.3f\n", Seconds(t.buildEnd, t.mergeEnd));
        std::fprintf(file, "save %.3f\n", Seconds(t.saveStart, t.saveEnd));
        std::fprintf(file, "free %.3f\n", Seconds(t.saveEnd, t.terminated));
        std::fprintf(file, "end %.3f\n", Seconds(t.terminated, Clock::now()));
        std::fclose(file);
    }
} report;

}  // namespace

extern "C" {

KVResult KVInitialize(void) {
    static const auto real = Real<KVResult (*)()>("KVInitialize");
    // The host's own calls before and after the import do not count.
    if (Times().parseStart == Clock::time_point{}) Times().initialized = Clock::now();
    return real();
}

KVResult KVTerminate(void) {
    static const auto real = Real<KVResult (*)()>("KVTerminate");
    const KVResult result = real();
    if (Times().terminated == Clock::time_point{} && Times().saveEnd != Clock::time_point{}) {
        Times().terminated = Clock::now();
    }
    return result;
}

Lib3dsBool lib3ds_file_read(Lib3dsFile* file, Lib3dsIo* io) {
    static const auto real = Real<Lib3dsBool (*)(Lib3dsFile*, Lib3dsIo*)>("lib3ds_file_read");
    Times().parseStart = Clock::now();
    const Lib3dsBool result = real(file, io);
    Times().parseEnd = Clock::now();
    return result;
}

KVResult KVComponentDefinitionCreate(KVComponentDefinitionRef* definition) {
    static const auto real = Real<KVResult (*)(KVComponentDefinitionRef*)>("KVComponentDefinitionCreate");
    if (!Times().definitionSeen) {
        Times().definitionSeen = true;
        Times().firstDefinition = Clock::now();
    }
    return real(definition);
}

KVResult KVEntitiesFill(KVEntitiesRef entities, KVGeometryInputRef input, bool weldVertices) {
    static const auto real = Real<KVResult (*)(KVEntitiesRef, KVGeometryInputRef, bool)>("KVEntitiesFill");
    const Clock::time_point start = Clock::now();
    const KVResult result = real(entities, input, weldVertices);
    Times().fillNanoseconds += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
    return result;
}

KVResult KVModelMergeCoplanarFaces(KVModelRef model) {
    static const auto real = Real<KVResult (*)(KVModelRef)>("KVModelMergeCoplanarFaces");
    Times().buildEnd = Clock::now();
    const KVResult result = real(model);
    Times().mergeEnd = Clock::now();
    return result;
}

KVResult KVModelSaveToFile(KVModelRef model, const char* path) {
    static const auto real = Real<KVResult (*)(KVModelRef, const char*)>("KVModelSaveToFile");
    Times().saveStart = Clock::now();
    const KVResult result = real(model, path);
    Times().saveEnd = Clock::now();
    return result;
}

}  // extern "C"
