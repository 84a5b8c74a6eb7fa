#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <iterator>

#include "ConverterFixture.h"
#include "convert/IsolatedRun.h"
#include "convert/SceneFileCheck.h"

namespace hollin::importer::testing {
namespace {

using namespace std::chrono_literals;

using SceneLoadTest = ConverterTest;

TEST_F(SceneLoadTest, FileThatDoesNotLoadGivesOneErrorAndNoModel) {
    std::ofstream(folder / "text.3ds") << "this is not a 3DS file at all";
    // lib3ds would read past the point list for a face naming point 3 of 3.
    AddMesh(MeshData{"m", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 3, ""}}});
    for (const std::filesystem::path& input : {folder / "missing.3ds", folder, folder / "text.3ds", SaveScene()}) {
        SCOPED_TRACE(input);
        Host() = {};
        progress = {};
        EXPECT_FALSE(Convert(input));
        EXPECT_EQ(Report(), "3ds Errors:\n\tCould not open file: " + input.string() + "\n");
        EXPECT_EQ(Host().calls, (std::vector<std::string>{"KVInitialize", "KVTerminate"}));
        EXPECT_EQ(progress.events, (std::vector<ProgressEvent>{10.0, "Parsing file...", 99.0, "Cleaning up..."}));
    }
}

TEST_F(SceneLoadTest, MaterialGroupNamingAFaceTheObjectLacksIsRejected) {
    AddMaterial("x").AddMesh(MeshData{"m", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, "x"}}});
    std::ifstream stream(SaveScene(), std::ios::binary);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(stream), {}};
    EXPECT_TRUE(TriangleObjectsAreConsistent(bytes));
    // Material group "x" lists one face, face 0; make it face 1, which the object does not have.
    const std::uint8_t group[] = {'x', 0, 1, 0, 0, 0};
    const auto found = std::search(bytes.begin(), bytes.end(), std::begin(group), std::end(group));
    ASSERT_NE(found, bytes.end());
    found[4] = 1;
    EXPECT_FALSE(TriangleObjectsAreConsistent(bytes));
}

TEST(IsolatedRun, GivesTheWorksResultAndFalseForACrashOrAHang) {
    int counter = 0;
    EXPECT_TRUE(SucceedsInIsolation([&counter] { return ++counter > 0; }, 10s));
    EXPECT_EQ(counter, 0) << "the work ran in the calling process";
    EXPECT_FALSE(SucceedsInIsolation([] { return false; }, 10s));
    EXPECT_FALSE(SucceedsInIsolation([] {
        std::raise(SIGSEGV);
        return true;
    }, 10s));
    EXPECT_FALSE(SucceedsInIsolation([]() -> bool {
        for (;;) pause();
    }, 200ms));
}

}  // namespace
}  // namespace hollin::importer::testing
