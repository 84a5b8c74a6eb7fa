// The host's programs, as installed in bin/, in environments built to break
// them: each row makes files in a fresh folder, runs one program there and
// expects it to end at once, with its exit code and its reason, having
// changed no file it found and made none but those the row names. The data
// folders of every row lie outside the system's (XDG_DATA_DIRS points into
// the row's folder, where nothing may appear), as they must for root.

#include <gmock/gmock.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "GlbChunks.h"
#include "GridMesh.h"
#include "ModelBombs.h"
#include "ProcessRunner.h"
#include "SceneBuilder.h"

namespace {

using Folder = std::filesystem::path;

struct Hostile {
    std::string name;
    std::function<void(const Folder&)> make;
    std::vector<std::string> command;                 // a program of bin/ and its arguments, run in the folder
    std::map<std::string, std::string> environment;   // on top of the row's own folders and LC_ALL=C.UTF-8
    int exitCode;
    std::string says;                                 // on standard output or error
    std::set<std::string> creates = {};
    std::set<std::string> removes = {};
    int seconds = 60;                                 // the most it may take
};

void PrintTo(const Hostile& row, std::ostream* out) { *out << row.name; }

void MakeFifo(const Folder& path) {
    std::filesystem::create_directories(path.parent_path());
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0) << path;
}

Folder Store(const Folder& folder) { return folder / "config/Korvanta/preferences.json"; }

void SampleWithoutItsImage(const Folder& folder) {
    std::filesystem::copy_file(KV_SAMPLE, folder / "courtyard.3ds");
}

void CopySample(const Folder& folder) {
    SampleWithoutItsImage(folder);
    std::filesystem::copy_file(Folder(KV_SAMPLE).parent_path() / "bricks.png", folder / "bricks.png");
}

void SampleWithAFifoForItsImage(const Folder& folder) {
    SampleWithoutItsImage(folder);
    MakeFifo(folder / "bricks.png");
}

// A real file whose texture is named "CAFÉ.PNG", beside "café.png".
void CafeBesideItsImage(const Folder& folder) {
    std::string scene = ReadFile(KV_REAL_3DS_DIR "/test1.3ds");
    scene.replace(scene.find("CWALL02.JPG"), 11, std::string("CAF\xC3\x89.PNG\0\0", 11));
    WriteFile(folder / "cafe.3ds", scene);
    std::filesystem::copy_file(KV_REAL_3DS_DIR "/CWALL02.jpg", folder / "caf\u00e9.png");
}

// Two days old: older than any import still writing.
void MakeOld(const Folder& path) {
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(48));
}

// A scene whose import needs some 600 MiB: 40 grids of 64,800 faces.
[[maybe_unused]] void LargeScene(const Folder& folder) {
    hollin::samples::SceneBuilder scene;
    for (int mesh = 0; mesh < 40; ++mesh) {
        const hollin::samples::GridMesh grid =
            hollin::samples::MakeGrid(hollin::samples::kMaxGridSide, {0, 0, 0}, 1.0f, [](float, float) { return 0.0f; });
        std::vector<hollin::samples::MeshFace> faces;
        for (const auto& face : grid.faces) faces.push_back({face, {}});
        scene.AddMesh({"m" + std::to_string(mesh), grid.points, faces});
        scene.AddObjectNode("m" + std::to_string(mesh));
    }
    ASSERT_TRUE(scene.Save((folder / "large.3ds").string()));
}

const std::string kLock = "config/Korvanta/preferences.json.lock";

// A model whose one material names `texture`.
void ModelNaming(const Folder& path, const std::string& texture) {
    hollin::samples::SceneBuilder scene;
    scene.AddMaterial("named", {1, 1, 1}, 0.0f, texture);
    const hollin::samples::Point points[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const hollin::samples::Triangle faces[] = {{0, 1, 2}};
    scene.AddMesh("tile", points, faces, "named");
    std::filesystem::create_directories(path.parent_path());
    ASSERT_TRUE(scene.Save(path.string()));
}

// The name of a file of the folder as a path from / written the Windows way,
// "tmp\\kv-test-1\\secret.png".
std::string FromTheTopWindowsWay(const Folder& path) {
    std::string name = path.relative_path().string();
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

// What kvstudio keeps of a run that shows a model, and its picture.
const std::set<std::string> kStudioSettings = {"shot.png", "config", "config/Korvanta", "config/Korvanta/kvstudio.conf"};

// 2^levels - 1 placements in a few kilobytes.
std::function<void(const Folder&)> DoublingModel(int levels) {
    return [levels](const Folder& folder) { ASSERT_TRUE(hollin::samples::WriteDoublingModel(folder / "doubling.kvm", levels)); };
}

const Hostile kRows[] = {
    {"a model file that gives its images twice, the first outside it, opened in kvstudio",
     [](const Folder& f) {
         WriteFile(f / "two.kvm", GlbBytes(R"({"asset":{"version":"2.0"},"images":[{"uri":"../secret.png"}],"images":[]})"));
     },
     {"kvstudio", "--screenshot=shot.png", "two.kvm"}, {}, 1,
     "kvstudio: Could not open two.kvm: a key is given twice in one object, at /images\n"},
    // Drawing the model takes most of a minute under the sanitizers, and
    // longer when the suite's other parts run beside it.
    {"18 levels of components, each placing the one below twice, opened in kvstudio", DoublingModel(18),
     {"kvstudio", "--screenshot=shot.png", "doubling.kvm"}, {}, 0, "", kStudioSettings, {}, 180},
#ifndef __SANITIZE_ADDRESS__
    // AddressSanitizer's shadow needs more address space than any such limit
    // leaves (since Linux 4.7 the data limit bounds private mappings too).
    {"a scene too large for ulimit -d", LargeScene, {"sh", "-c", "ulimit -d 300000 && kvimport large.3ds large.kvm"}, {}, 1,
     "large.3ds: it needs more memory than there is: about "},
    {"a good file under ulimit -d", CopySample, {"sh", "-c", "ulimit -d 300000 && kvimport courtyard.3ds courtyard.kvm"}, {},
     0, "", {"courtyard.kvm"}},
    {"20 levels of the same under a memory limit, in kvstudio", DoublingModel(20),
     {"sh", "-c", "ulimit -v 1500000 && exec kvstudio --screenshot=shot.png doubling.kvm"}, {}, 1,
     "kvstudio: Could not show doubling.kvm: it needs more memory than there is: about "},
#endif
    {"SIGTERM while kvstudio opens 20 levels of the same", DoublingModel(20),
     {"sh", "-c", "kvstudio doubling.kvm & sleep 3; kill -TERM $!; wait $!"}, {}, 143, "", kStudioSettings},
    {"twelve one-colour images of 5000 by 5000 pixels in 1 MB, opened in kvstudio",
     [](const Folder& f) { ASSERT_TRUE(hollin::samples::WriteImageModel(f / "images.kvm", 12, 5000)); },
     {"kvstudio", "--screenshot=shot.png", "images.kvm"}, {}, 0,
     "kvstudio: images.kvm: its 12 images are drawn at 40 % of their size, to keep within the 192 MiB the view gives images\n",
     kStudioSettings, {}, 180},
    {"preferences that give a key twice, in a conversion",
     [](const Folder& f) {
         CopySample(f);
         WriteFile(Store(f), R"({"3DS Importer":{"ImportUnits":2,"ImportUnits":7}})");
     },
     {"kvimport", "courtyard.3ds", "courtyard.kvm"}, {}, 1,
     "preferences.json cannot be read: a key is given twice in one object, at /3DS Importer/ImportUnits\n"},
    {"preferences that give a key twice, under a model opened in kvstudio",
     [](const Folder& f) {
         std::filesystem::copy_file(KV_MODEL, f / "courtyard.kvm");
         WriteFile(Store(f), R"({"3DS Importer":{"ImportUnits":2,"ImportUnits":7}})");
     },
     // kvstudio's own settings (recent files, the window) are no part of the store it could not read.
     {"kvstudio", "--screenshot=shot.png", "courtyard.kvm"}, {}, 0, "", {"shot.png", "config/Korvanta/kvstudio.conf"}},
    {"a FIFO as a 3DS file, in kvinfo", [](const Folder& f) { MakeFifo(f / "pipe.3ds"); }, {"kvinfo", "pipe.3ds"}, {}, 1,
     "kvinfo: pipe.3ds: it is not a regular file\n"},
    {"a FIFO as a model file, in kvstudio", [](const Folder& f) { MakeFifo(f / "pipe.kvm"); },
     {"kvstudio", "--screenshot=shot.png", "pipe.kvm"}, {}, 1, "kvstudio: Could not open pipe.kvm: it is not a regular file\n"},
    {"a FIFO as a texture", SampleWithAFifoForItsImage, {"kvimport", "courtyard.3ds", "courtyard.kvm"}, {}, 0,
     "): it is not a regular file\n", {"courtyard.kvm"}},
    {"a FIFO as the preferences", [](const Folder& f) { MakeFifo(Store(f)); }, {"kvprefs", "get", "S", "k"}, {}, 1,
     "preferences.json cannot be read: it is not a regular file\n"},
    {"a store that cannot be written, in kvprefs", [](const Folder&) {}, {"kvprefs", "set", "S", "k", "1"},
     {{"XDG_CONFIG_HOME", "/proc/kvx"}}, 1,
     "kvprefs: the preference store /proc/kvx/Korvanta/preferences.json cannot be written: No such file or directory\n"},
    {"a store that cannot be written, after OK in the options dialog", [](const Folder&) {},
     {"kvimport", "--plugin", KV_TEST_IMPORTER, "--options-dialog"}, {{"XDG_CONFIG_HOME", "/proc/kvx"}, {"QT_QPA_PLATFORM", "offscreen"}},
     1, "kvimport: the preference store /proc/kvx/Korvanta/preferences.json cannot be written: No such file or directory\n"},
    {"SIGPIPE while kvimport writes",
     [](const Folder& f) {
         std::filesystem::copy_file(KV_REAL_3DS_DIR "/fels.3ds", f / "fels.3ds");
         std::filesystem::create_directory(f / "sp");
     },
     // The pipe's reader is gone before kvimport starts (a reader that left
     // after a line could come too late on a busy machine, the import done).
     {"sh", "-c",
      "mkfifo sp/p && exec 4<>sp/p 5>sp/p && rm sp/p && exec 4<&- && "
      "kvimport --progress=lines fels.3ds sp/x.kvm >&5 2>&5; echo exit $?"},
     {}, 0, "exit 141\n"},
    {"a model whose file name holds backslashes that would lead to another folder's images",
     [](const Folder& f) {
         std::filesystem::create_directories(f / "a/b");
         std::filesystem::copy_file(KV_REAL_3DS_DIR "/test1.3ds", f / "a/b/..\\..\\t\\secret\\test1.3ds");
         std::filesystem::create_directories(f / "t/secret");
         std::filesystem::copy_file(KV_REAL_3DS_DIR "/CWALL02.jpg", f / "t/secret/CWALL02.JPG");
     },
     {"kvimport", "a/b/..\\..\\t\\secret\\test1.3ds", "test1.kvm"}, {}, 0, "Could not create texture: CWALL02.JPG\n",
     {"test1.kvm"}},
    {"CAF\u00c9.PNG beside caf\u00e9.png, without a locale", CafeBesideItsImage, {"kvinfo", "cafe.3ds"}, {{"LC_ALL", "C"}},
     0, "caf\u00e9.png\",\n      \"match\": \"name\""},
    {"CAF\u00c9.PNG beside caf\u00e9.png, in C.UTF-8", CafeBesideItsImage, {"kvinfo", "cafe.3ds"}, {{"LC_ALL", "C.UTF-8"}},
     0, "caf\u00e9.png\",\n      \"match\": \"name\""},
    {"the store's lock held by another program", [](const Folder& f) { std::filesystem::create_directories(f / "config/Korvanta"); },
     {"flock", kLock, "kvprefs", "set", "S", "k", "1"}, {}, 1,
     "preferences.json cannot be written: another program holds its lock and kept it for 5 seconds\n", {kLock}},
    {"SIGTERM while kvprefs waits for the lock", [](const Folder& f) { std::filesystem::create_directories(f / "config/Korvanta"); },
     {"flock", kLock, "sh", "-c", "kvprefs set S k 1 & sleep 1; kill -TERM $!; wait $!"}, {}, 143,
     "cannot be written: a signal ended the wait for its lock\n", {kLock}},
    {"kvimport started through the dynamic loader", CopySample,
     {"sh", "-c", "/lib64/ld-linux-x86-64.so.2 \"$(command -v kvimport)\" courtyard.3ds courtyard.kvm"}, {}, 0, "",
     {"courtyard.kvm"}},
    {"no /proc, a plug-in in the current folder",
     [](const Folder& f) {
         CopySample(f);
         WriteFile(f / "Plugins/3DSImporter.so", "not this one");
     },
     {"unshare", "-m", "sh", "-c", "mount -t tmpfs none /proc && LD_LIBRARY_PATH=\"" KV_BIN_DIR "\" kvimport courtyard.3ds c.kvm"},
     {}, 1, "the program's own folder, where it lies, cannot be known (/proc is not mounted)"},
    {"a full disk", [](const Folder& f) { CopySample(f); std::filesystem::create_directory(f / "full"); },
     {"unshare", "-m", "sh", "-c", "mount -t tmpfs -o size=4k none full && kvimport courtyard.3ds full/c.kvm"}, {}, 1,
     "kvimport: cannot write full/c.kvm: No space left on device\n"},
    {"a texture folder with a colon, through the store",
     [](const Folder& f) {
         CopySample(f);
         std::filesystem::create_directory(f / "maps:2019");
         std::filesystem::rename(f / "bricks.png", f / "maps:2019/bricks.png");
     },
     {"sh", "-c", "kvprefs set '3DS Importer' TextureFolders \"[\\\"$PWD/maps:2019\\\"]\" && kvinfo courtyard.3ds"}, {}, 0,
     "maps:2019/bricks.png", {"config", "config/Korvanta", "config/Korvanta/preferences.json", kLock}},
    {"200,000 texture folders stored as a JSON list",
     [](const Folder& f) {
         std::string list = R"({"3DS Importer":{"TextureFolders":[)";
         for (int folder = 0; folder < 200'000; ++folder) list += (folder == 0 ? "\"/t/" : ",\"/t/") + std::to_string(folder) + "\"";
         WriteFile(Store(f), list + "]}}");
     },
     {"kvprefs", "get", "3DS Importer", "TextureFolders"}, {}, 0,
     "kvprefs: only the first 64 texture folders are searched; the 199,936 after them are not\n"},
    {"a linked preferences.json",
     [](const Folder& f) {
         WriteFile(f / "dotfiles/preferences.json", "{}");
         std::filesystem::create_directories(f / "config/Korvanta");
         std::filesystem::create_symlink("../../dotfiles/preferences.json", Store(f));
     },
     {"sh", "-c", "kvprefs set S k 1 && test -L config/Korvanta/preferences.json && cat dotfiles/preferences.json"}, {}, 0,
     "\"k\": 1", {"config/Korvanta/preferences.json", "dotfiles/preferences.json", kLock},
     {"dotfiles/preferences.json"}},
    {"temporary files that killed imports left, and look-alikes",
     [](const Folder& f) {
         CopySample(f);
         for (const char* name : {".x.kvm.Ab12Cd", "..x.kvm.Ab12Cd.Zz9988", ".x.kvm.Ab12C", ".x.kvm.Ab-2Cd", ".x.obj.Ab12Cd", "x.kvm.Ab12Cd"}) {
             WriteFile(f / name, "left");
             MakeOld(f / name);
         }
         WriteFile(f / ".y.kvm.Ef34Gh", "an import still writing");
     },
     {"kvimport", "courtyard.3ds", "courtyard.kvm"}, {}, 0, "", {"courtyard.kvm"}, {".x.kvm.Ab12Cd", "..x.kvm.Ab12Cd.Zz9988"}},
    {"an archive whose textures beside its models are a link to /, in kvinfo",
     [](const Folder& f) {
         std::filesystem::copy_file(KV_REAL_3DS_DIR "/CWALL02.jpg", f / "secret.png");
         ModelNaming(f / "archive/models/m.3ds", FromTheTopWindowsWay(f / "secret.png"));
         std::filesystem::create_directory_symlink("/", f / "archive/textures");
     },
     {"kvinfo", "archive/models/m.3ds"}, {}, 0, "\"textureFolderHint\": null", {}, {}, 10},
    {"a sub-folder that is a link to /, in kvimport",
     [](const Folder& f) {
         std::filesystem::copy_file(KV_REAL_3DS_DIR "/CWALL02.jpg", f / "secret.png");
         ModelNaming(f / "m/m.3ds", "root\\" + FromTheTopWindowsWay(f / "secret.png"));
         std::filesystem::create_directory_symlink("/", f / "m/root");
     },
     {"kvimport", "m/m.3ds", "m.kvm"}, {}, 0, "): links outside the model's folder\n", {"m.kvm"}, {}, 10},
    {"a texture that is a FIFO, in kvinfo", SampleWithAFifoForItsImage, {"kvinfo", "courtyard.3ds"}, {}, 0,
     "\"problem\": \"it is not a regular file\"", {}, {}, 10},
    {"a texture that is a device, in kvinfo", [](const Folder& f) { ModelNaming(f / "m.3ds", "zero"); },
     {"kvinfo", "--texture-folder", "/dev", "m.3ds"}, {}, 0, "\"problem\": \"it is not a regular file\"", {}, {}, 10},
    {"ten texture folders, in kvimport", SampleWithoutItsImage,
     {"kvimport", "--texture-folder=1", "--texture-folder=2", "--texture-folder=3", "--texture-folder=4",
      "--texture-folder=5", "--texture-folder=6", "--texture-folder=7", "--texture-folder=8", "--texture-folder=9",
      "--texture-folder=10", "courtyard.3ds", "courtyard.kvm"},
     {}, 0, "/3 and 7 more texture folders): not found\n", {"courtyard.kvm"}, {}, 10},
};

// Every entry under the folder, with what it holds: a file's size and a hash
// of its bytes, or its kind.
std::map<std::string, std::string> Contents(const Folder& folder) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        std::string& held = contents[std::filesystem::relative(entry.path(), folder).string()];
        if (entry.is_regular_file()) {
            const std::string bytes = ReadFile(entry.path());
            held = std::to_string(bytes.size()) + " bytes, hash " + std::to_string(std::hash<std::string>()(bytes));
        } else {
            held = entry.is_directory() ? "folder" : "neither file nor folder";
        }
    }
    return contents;
}

class HostileEnvironment : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileEnvironment, EndsAtOnceWithItsReasonAndLeavesEverythingAsItWas) {
    const Hostile& row = GetParam();
    const TemporaryFolder folder, home;
    std::filesystem::create_directories(folder / "scratch");
    std::filesystem::create_directories(home / "runtime");
    std::filesystem::permissions(home / "runtime", std::filesystem::perms::owner_all);
    row.make(folder.Path());
    const std::map<std::string, std::string> before = Contents(folder.Path());

    std::map<std::string, std::string> environment = {
        {"PATH", std::string(KV_BIN_DIR) + ":" + std::getenv("PATH")},
        {"HOME", home.Path().string()},
        {"XDG_CONFIG_HOME", (folder / "config").string()},
        {"XDG_DATA_HOME", (home / "data").string()},
        {"XDG_DATA_DIRS", (folder / "system-data").string()},
        {"XDG_RUNTIME_DIR", (home / "runtime").string()},
        {"TMPDIR", (folder / "scratch").string()},
        {"LC_ALL", "C.UTF-8"},
    };
    // Under the sanitizers, as in kvstudio's own tests: D-Bus, Mesa and Qt
    // Quick keep blocks to the end that LeakSanitizer cannot trace.
    if (row.command.front() == "kvstudio") environment["ASAN_OPTIONS"] = "detect_leaks=0:abort_on_error=1";
    for (const auto& [name, value] : row.environment) environment[name] = value;
    std::vector<std::string> command = {"-k", "5", std::to_string(row.seconds)};
    command.insert(command.end(), row.command.begin(), row.command.end());
    const ProcessResult result = RunProcess("timeout", command, environment, folder.Path());

    ASSERT_NE(result.exitCode, 124) << "still running after " << row.seconds << " seconds";
    EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
    EXPECT_THAT(result.out + result.err, ::testing::HasSubstr(row.says));
    std::map<std::string, std::string> after = Contents(folder.Path());
    for (const std::string& made : row.creates) after.erase(made);
    std::map<std::string, std::string> kept = before;
    for (const std::string& removed : row.removes) EXPECT_EQ(kept.erase(removed), 1u) << removed << " is not the row's";
    EXPECT_EQ(after, kept) << "a file changed, was removed or was left behind";
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileEnvironment, ::testing::ValuesIn(kRows), [](const auto& info) {
    std::string name = info.param.name;
    for (char& character : name) {
        if (std::isalnum(static_cast<unsigned char>(character)) == 0) character = '_';
    }
    return name;
});

}  // namespace
