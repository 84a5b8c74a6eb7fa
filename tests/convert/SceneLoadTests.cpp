#include <gtest/gtest.h>
#include <lib3ds/chunk.h>

#include <map>
#include <set>

#include "ConverterFixture.h"
#include "scenefile/SceneFile.h"
#include "scenefile/SceneFileCheck.h"
#include "utils/WholeFile.h"

namespace hollin::importer::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Joined(const std::vector<Bytes>& parts) {
    Bytes bytes;
    for (const Bytes& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

Bytes Word(std::uint16_t value) { return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)}; }
Bytes Dword(std::uint32_t value) { return Joined({Word(std::uint16_t(value)), Word(std::uint16_t(value >> 16))}); }
Bytes Text(const std::string& text) { return Bytes(text.c_str(), text.c_str() + text.size() + 1); }
Bytes Zeros(std::size_t count) { return Bytes(count, 0); }

// A chunk: id, length of header and body, then the parts of the body in order.
Bytes Chunk(std::uint16_t id, const std::vector<Bytes>& parts = {}) {
    const Bytes body = Joined(parts);
    return Joined({Word(id), Dword(static_cast<std::uint32_t>(body.size() + 6)), body});
}

Bytes SceneFile(const std::vector<Bytes>& sceneData, const std::vector<Bytes>& keyframer = {},
                std::uint16_t magic = LIB3DS_M3DMAGIC) {
    return Chunk(magic, {Chunk(LIB3DS_MDATA, sceneData), Chunk(LIB3DS_KFDATA, keyframer)});
}

// A triangle over points 0, 1 and `corner`, in an object of three points.
Bytes Triangle(std::uint16_t corner, const Bytes& faceChildren = {}) {
    const Bytes faces = Joined({Word(1), Word(0), Word(1), Word(corner), Word(0), faceChildren});
    return Chunk(LIB3DS_NAMED_OBJECT, {Text("tri"), Chunk(LIB3DS_N_TRI_OBJECT, {Chunk(LIB3DS_POINT_ARRAY, {Word(3), Zeros(36)}),
                                                                              Chunk(LIB3DS_FACE_ARRAY, {faces})})});
}

Bytes ObjectNode(std::uint16_t id, const std::string& name, std::uint16_t parent) {
    return Chunk(LIB3DS_OBJECT_NODE_TAG,
                 {Chunk(LIB3DS_NODE_ID, {Word(id)}), Chunk(LIB3DS_NODE_HDR, {Text(name), Word(0), Word(0), Word(parent)})});
}

Bytes NodeChain(std::size_t length) {
    Bytes nodes;
    for (std::size_t index = 0; index < length; ++index) {
        nodes = Joined({nodes, ObjectNode(static_cast<std::uint16_t>(index), "n" + std::to_string(index),
                                          index == 0 ? LIB3DS_NO_PARENT : static_cast<std::uint16_t>(index - 1))});
    }
    return nodes;
}

struct FaultCase {
    const char* what;
    Bytes file;
    SceneFileFault fault;
};

// Each damaged file is one that lib3ds 1.3 reads out of bounds, loops on,
// recurses on without end or lets allocate far more than the file holds;
// each sound one it reads as it should.
TEST(SceneFileCheck, FindsWhatWouldHurtLib3dsAndNothingElse) {
    const Bytes light = Chunk(LIB3DS_NAMED_OBJECT, {Text("lamp"), Chunk(LIB3DS_N_DIRECT_LIGHT, {Zeros(12),
        Chunk(LIB3DS_DL_SPOTLIGHT, {Zeros(20), Chunk(LIB3DS_DL_SPOT_PROJECTOR, {Text("slide")})})})});
    const Bytes color = Chunk(LIB3DS_COLOR_F, {Zeros(12)});
    const std::vector<FaultCase> cases = {
        {"a sound triangle", SceneFile({Triangle(2)}), SceneFileFault::None},
        {"a sound triangle in a project file", SceneFile({Triangle(2)}, {}, LIB3DS_CMAGIC), SceneFileFault::None},
        {"bare scene data", Chunk(LIB3DS_MDATA, {Triangle(2)}), SceneFileFault::None},
        {"a spotlight with a projector", SceneFile({light}), SceneFileFault::None},
        {"a gradient of three colours", SceneFile({Chunk(LIB3DS_V_GRADIENT, {Zeros(4), Joined(std::vector(3, color))})}),
         SceneFileFault::None},
        {"nodes listed before their parents", SceneFile({}, {ObjectNode(1, "child", 2), ObjectNode(2, "parent", 3),
                                                            ObjectNode(3, "root", LIB3DS_NO_PARENT)}),
         SceneFileFault::None},
        {"a face naming a fourth point", SceneFile({Triangle(3)}), SceneFileFault::PointOutOfRange},
        {"the same in a project file", SceneFile({Triangle(3)}, {}, LIB3DS_CMAGIC), SceneFileFault::PointOutOfRange},
        {"the same as bare scene data", Chunk(LIB3DS_MDATA, {Triangle(3)}), SceneFileFault::PointOutOfRange},
        {"a face in an object without points",
         SceneFile({Chunk(LIB3DS_NAMED_OBJECT, {Text("o"), Chunk(LIB3DS_N_TRI_OBJECT, {Chunk(LIB3DS_FACE_ARRAY,
             {Word(1), Zeros(8)})})})}),
         SceneFileFault::PointOutOfRange},
        {"a material group naming a second face",
         SceneFile({Triangle(2, Chunk(LIB3DS_MSH_MAT_GROUP, {Text("x"), Word(1), Word(1)}))}),
         SceneFileFault::FaceOutOfRange},
        {"a gradient of four colours", SceneFile({Chunk(LIB3DS_V_GRADIENT, {Zeros(4), Joined(std::vector(4, color))})}),
         SceneFileFault::GradientOverflow},
        {"a chunk of length 0", SceneFile({Word(0x1234), Dword(0)}), SceneFileFault::EndlessLoop},
        {"a length that wraps around", SceneFile({Word(0x1234), Dword(0xFFFFFFFFu)}), SceneFileFault::EndlessLoop},
        {"a chunk shorter than its header", SceneFile({Word(LIB3DS_NAMED_OBJECT), Dword(3)}),
         SceneFileFault::Unreadable},
        {"an object name without its end", SceneFile({Chunk(LIB3DS_NAMED_OBJECT, {Bytes(70, 'a')})}),
         SceneFileFault::Unreadable},
        {"an unknown kind of file", Chunk(0x1234, {Triangle(2)}), SceneFileFault::Unreadable},
        {"point lists the file does not hold",
         SceneFile({Chunk(LIB3DS_NAMED_OBJECT, {Text("o"), Chunk(LIB3DS_N_TRI_OBJECT,
             std::vector(200, Chunk(LIB3DS_POINT_ARRAY, {Word(0xFFFF)})))})}),
         SceneFileFault::ExcessiveWork},
        {"two billion animation keys", SceneFile({}, {Chunk(LIB3DS_OBJECT_NODE_TAG,
             {Chunk(LIB3DS_POS_TRACK_TAG, {Word(0), Dword(0), Dword(0), Dword(0x7FFFFFFF)})})}),
         SceneFileFault::ExcessiveWork},
        {"an animation key at frame 2^30", SceneFile({}, {Chunk(LIB3DS_OBJECT_NODE_TAG,
             {Chunk(LIB3DS_POS_TRACK_TAG, {Word(0), Dword(0), Dword(0), Dword(1), Dword(1u << 30), Word(0), Zeros(12)})})}),
         SceneFileFault::FrameOutOfRange},
        {"a node that is its own parent", SceneFile({}, {Chunk(LIB3DS_OBJECT_NODE_TAG)}),
         SceneFileFault::EndlessNodeLinking},
        {"nodes nested too deep", SceneFile({}, {NodeChain(kMaxNodeDepth + 1)}), SceneFileFault::NodeTreeTooDeep},
        {"nodes nested as deep as allowed", SceneFile({}, {NodeChain(kMaxNodeDepth)}), SceneFileFault::None},
    };
    for (const FaultCase& entry : cases) {
        EXPECT_EQ(CheckSceneFile(entry.file).fault, entry.fault) << entry.what;
        Lib3dsFile* scene = LoadScene(entry.file);
        EXPECT_EQ(scene != nullptr, entry.fault == SceneFileFault::None) << entry.what;
        if (scene != nullptr) lib3ds_file_free(scene);
    }
}

// Where the check found a fault, and for a file that loads, the chunk a cut
// ends in and the materials and texture names it met on the way.
TEST(SceneFileCheck, PlacesFaultsAndCutsAtTheirChunksAndCollectsTextureNames) {
    const Bytes material = Chunk(LIB3DS_MAT_ENTRY, {Chunk(LIB3DS_MAT_NAME, {Text("wood")}),
                                                    Chunk(LIB3DS_MAT_TEXMAP, {Chunk(LIB3DS_MAT_MAPNAME, {Text("MAPS\\OAK.JPG")})}),
                                                    Chunk(LIB3DS_MAT_BUMPMAP, {Chunk(LIB3DS_MAT_MAPNAME, {Text("bump.jpg")})})});
    const Bytes plain = Chunk(LIB3DS_MAT_ENTRY, {Chunk(LIB3DS_MAT_NAME, {Text("paint")})});
    const Bytes whole = SceneFile({material, plain, Triangle(2)});
    const SceneFileVerdict sound = CheckSceneFile(whole);
    EXPECT_EQ(sound.fault, SceneFileFault::None);
    EXPECT_FALSE(sound.overrun);
    EXPECT_EQ(sound.textureNames, std::vector<std::string>{"MAPS\\OAK.JPG"});
    const std::vector<SceneFileVerdict::MaterialTexture> materials{{"wood", "MAPS\\OAK.JPG"}, {"paint", ""}};
    EXPECT_EQ(sound.materialTextures, materials);

    const SceneFileVerdict damaged = CheckSceneFile(SceneFile({material, plain, Triangle(3)}));
    EXPECT_EQ(damaged.fault, SceneFileFault::PointOutOfRange);
    EXPECT_EQ(damaged.where.id, LIB3DS_FACE_ARRAY);
    const Bytes faceArrayHeader = Joined({Word(LIB3DS_FACE_ARRAY), Dword(16)});
    const auto faceArray = std::search(whole.begin(), whole.end(), faceArrayHeader.begin(), faceArrayHeader.end());
    EXPECT_EQ(damaged.where.offset, static_cast<std::uint64_t>(faceArray - whole.begin()));

    // Cut inside the face array: lib3ds reads what there is.
    const Bytes cut(whole.begin(), whole.end() - static_cast<std::ptrdiff_t>(Chunk(LIB3DS_KFDATA, {}).size()) - 4);
    const SceneFileVerdict partial = CheckSceneFile(cut);
    EXPECT_EQ(partial.fault, SceneFileFault::None);
    ASSERT_TRUE(partial.overrun);
    EXPECT_EQ(partial.overrun->chunk.id, LIB3DS_FACE_ARRAY);
    EXPECT_EQ(partial.overrun->actualEnd, cut.size());
    EXPECT_TRUE(partial.overrun->pastFileEnd);
}

using SceneLoadTest = ConverterTest;

TEST_F(SceneLoadTest, FileThatDoesNotLoadGivesOneErrorAndNoModel) {
    WriteFile(folder / "text.3ds", "this is not a 3DS file at all");
    for (const std::filesystem::path& input : {folder, folder / "text.3ds"}) {
        SCOPED_TRACE(input);
        Spy() = {};
        progress = {};
        EXPECT_FALSE(Convert(input));
        EXPECT_EQ(Report(), "3ds Errors:\n\tCould not open file: " + input.string() + "\n");
        EXPECT_EQ(Spy().calls, (std::vector<std::string>{"KVInitialize", "KVTerminate"}));
        EXPECT_EQ(progress.events, (std::vector<ProgressEvent>{10.0, "Parsing file...", 99.0, "Cleaning up..."}));
    }
}

// The memory an import needs grows with the faces the conversion really
// builds: each object node's own copy of its mesh, or, when no node shows a
// mesh with points, every mesh once. An import that fits loads; one that
// does not is refused before lib3ds reads the file, with what it needs and
// what there is.
TEST_F(SceneLoadTest, ScenesLoadOnlyWhenTheMemoryTheirFacesNeedIsThere) {
    constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
    const std::vector<MeshData> twoMeshes{StripMesh("a", 1000), StripMesh("b", 2000)};
    const struct {
        const char* scene;
        std::vector<MeshData> meshes;
        std::vector<std::string> nodes;  // the meshes the object nodes name
        std::uint64_t facesToBuild;
        std::uint64_t memoryAvailable;
        bool loads;
    } cases[] = {
        {"a node for each mesh", twoMeshes, {"a", "b"}, 3000, kGiB, true},
        {"no nodes: each mesh once", twoMeshes, {}, 3000, kGiB, true},
        {"two nodes on one mesh, one on none, a mesh no node shows", twoMeshes, {"b", "b", "dummy"}, 4000, kGiB, true},
        {"nodes only on a mesh without points: every mesh once besides", {MeshData{"empty", {}, {}}, StripMesh("a", 1000)},
         {"empty"}, 1000, kGiB, true},
        {"900 nodes on one mesh", {StripMesh("big", 65000)}, std::vector<std::string>(900, "big"), 58'500'000, 8 * kGiB, false},
        {"900 nodes on one mesh, with the memory", {StripMesh("big", 65000)}, std::vector<std::string>(900, "big"),
         58'500'000, 12 * kGiB, true},
        {"a small scene in less memory than any import takes", twoMeshes, {"a", "b"}, 3000, 64 << 20, false},
    };
    for (const auto& [what, meshes, nodes, facesToBuild, memoryAvailable, loads] : cases) {
        SCOPED_TRACE(what);
        hollin::samples::SceneBuilder built;
        for (const MeshData& mesh : meshes) built.AddMesh(mesh);
        for (const std::string& node : nodes) built.AddObjectNode(node);
        ASSERT_TRUE(built.Save((folder / "budget.3ds").string()));
        const std::optional<Bytes> bytes = hollin::utils::ReadWholeFile((folder / "budget.3ds").string(), 1 << 30);
        ASSERT_TRUE(bytes);
        const SceneFileRead read = ReadSceneFile(*bytes, memoryAvailable);
        EXPECT_EQ(read.diagnosis.verdict.facesToBuild, facesToBuild);
        EXPECT_EQ(read.scene != nullptr, loads);
        EXPECT_EQ(read.diagnosis.problem, loads ? SceneFileProblem::None : SceneFileProblem::NotEnoughMemory);
        if (!loads) {
            EXPECT_GT(read.diagnosis.verdict.memoryNeeded, memoryAvailable);
            EXPECT_EQ(read.diagnosis.memoryAvailable, memoryAvailable);
        }
    }
}

// What fuzzing found: each file does what the table says, merged and not,
// and a file that imports gives a model that holds together (Saved() checks
// it). A new finding comes with its row.
TEST_F(SceneLoadTest, FuzzingFindingsImportIntoModelsThatHoldTogether) {
    const std::map<std::string, bool> imports = {
        {"face-index-beyond-points.3ds", false},
        {"face-index-beyond-points-project-file.3ds", false},
        {"faces-crowding-one-point.3ds", true},
        {"merge-around-one-point.3ds", true},
    };
    std::set<std::string> names{".keep"};
    for (const auto& [name, converts] : imports) {
        names.insert(name);
        for (const bool merge : {false, true}) {
            SCOPED_TRACE(name + (merge ? ", merged" : ""));
            ASSERT_EQ(Convert(KV_FUZZ_REGRESSIONS_3DS "/" + name, 1, merge), converts);
            if (converts) Saved();
        }
    }
    EXPECT_EQ(NamesIn(KV_FUZZ_REGRESSIONS_3DS), names) << "each finding has its row";
}

}  // namespace
}  // namespace hollin::importer::testing
