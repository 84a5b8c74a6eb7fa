// The host's programs, as installed in bin/, in environments built to break
// them: each row makes files in a fresh folder, runs one program there and
// expects it to end at once, with its exit code and its reason, having
// changed no file it found and made none but those the row names. The data
// folders of every row lie outside the system's (XDG_DATA_DIRS points into
// the row's folder, where nothing may appear), as they must for root.

#include <gmock/gmock.h>
#include <sys/stat.h>

#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ModelBombs.h"
#include "ProcessRunner.h"

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
};

void PrintTo(const Hostile& row, std::ostream* out) { *out << row.name; }

void MakeFifo(const Folder& path) {
    std::filesystem::create_directories(path.parent_path());
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0) << path;
}

std::string Glb(std::string json) {
    json.append((4 - json.size() % 4) % 4, ' ');
    const auto word = [](std::size_t value) {
        const auto narrow = static_cast<std::uint32_t>(value);
        return std::string(reinterpret_cast<const char*>(&narrow), 4);
    };
    return "glTF" + word(2) + word(20 + json.size()) + word(json.size()) + "JSON" + json;
}

Folder Store(const Folder& folder) { return folder / "config/Korvanta/preferences.json"; }

void CopySample(const Folder& folder) {
    std::filesystem::copy_file(KV_SAMPLE, folder / "courtyard.3ds");
    std::filesystem::copy_file(Folder(KV_SAMPLE).parent_path() / "bricks.png", folder / "bricks.png");
}

// A real file whose texture is named "CAFÉ.PNG", beside "café.png".
void CafeBesideItsImage(const Folder& folder) {
    std::string scene = ReadFile(KV_REAL_3DS_DIR "/test1.3ds");
    scene.replace(scene.find("CWALL02.JPG"), 11, std::string("CAF\xC3\x89.PNG\0\0", 11));
    WriteFile(folder / "cafe.3ds", scene);
    std::filesystem::copy_file(KV_REAL_3DS_DIR "/CWALL02.jpg", folder / "caf\u00e9.png");
}

// The sample's model file with its description changed.
void ChangedModel(const Folder& path, const std::function<void(nlohmann::json&)>& change) {
    const std::string bytes = ReadFile(KV_MODEL);
    std::uint32_t jsonLength = 0;
    std::memcpy(&jsonLength, bytes.data() + 12, 4);
    nlohmann::json document = nlohmann::json::parse(bytes.substr(20, jsonLength));
    change(document["asset"]["extras"]["korvantaModel"]);
    std::string json = document.dump();
    json.append((4 - json.size() % 4) % 4, ' ');
    const std::string binary = bytes.substr(20 + jsonLength);
    const auto word = [](std::size_t value) {
        const auto narrow = static_cast<std::uint32_t>(value);
        return std::string(reinterpret_cast<const char*>(&narrow), 4);
    };
    WriteFile(path, "glTF" + word(2) + word(20 + json.size() + binary.size()) + word(json.size()) + "JSON" + json + binary);
}

// What kvstudio keeps of a run that shows a model, and its picture.
const std::set<std::string> kStudioSettings = {"shot.png", "config", "config/Korvanta", "config/Korvanta/kvstudio.conf"};

// 2^20 - 1 placements in 8 KB; 2^18 - 1 for a row that draws them within
// its minute in the sanitizer build too.
void DoublingModel(const Folder& folder) {
    ASSERT_TRUE(hollin::samples::WriteDoublingModel(folder / "doubling.kvm", 20));
}
void SmallerDoublingModel(const Folder& folder) {
    ASSERT_TRUE(hollin::samples::WriteDoublingModel(folder / "doubling.kvm", 18));
}

const Hostile kRows[] = {
    {"a model file that gives its images twice, the first outside it, opened in kvstudio",
     [](const Folder& f) {
         WriteFile(f / "two.kvm", Glb(R"({"asset":{"version":"2.0"},"images":[{"uri":"../secret.png"}],"images":[]})"));
     },
     {"kvstudio", "--screenshot=shot.png", "two.kvm"}, {}, 1,
     "kvstudio: Could not open two.kvm: a key is given twice in one object, at /images\n"},
    {"a model whose faces name material 1e30, in kvinfo",
     [](const Folder& f) { ChangedModel(f / "bad.kvm", [](nlohmann::json& model) { model["entities"]["faceMaterial"] = 1e30; }); },
     {"kvinfo", "bad.kvm"}, {}, 1, "damaged, at /asset/extras/korvantaModel/entities/faceMaterial\n"},
    {"18 levels of components, each placing the one below twice, opened in kvstudio", SmallerDoublingModel,
     {"kvstudio", "--screenshot=shot.png", "doubling.kvm"}, {}, 0, "", kStudioSettings},
#ifndef __SANITIZE_ADDRESS__
    // AddressSanitizer's shadow needs more address space than any such limit leaves.
    {"20 levels of the same under a memory limit, in kvstudio", DoublingModel,
     {"sh", "-c", "ulimit -v 1500000 && exec kvstudio --screenshot=shot.png doubling.kvm"}, {}, 1,
     "kvstudio: Could not show doubling.kvm: it needs more memory than there is: about "},
#endif
    {"SIGTERM while kvstudio opens 20 levels of the same", DoublingModel,
     {"sh", "-c", "kvstudio doubling.kvm & sleep 3; kill -TERM $!; wait $!"}, {}, 143, "", kStudioSettings},
    {"twelve one-colour images of 5000 by 5000 pixels in 1 MB, opened in kvstudio",
     [](const Folder& f) { ASSERT_TRUE(hollin::samples::WriteImageModel(f / "images.kvm", 12, 5000)); },
     {"kvstudio", "--screenshot=shot.png", "images.kvm"}, {}, 0,
     "kvstudio: images.kvm: its 12 images are drawn at 40 % of their size, to keep within the 192 MiB the view gives images\n",
     kStudioSettings},
    {"preferences nested a million arrays deep",
     [](const Folder& f) {
         WriteFile(Store(f), R"({"3DS Importer":{"ImportUnits":)" + std::string(1'000'000, '[') +
                                 std::string(1'000'000, ']') + "}}");
     },
     {"kvprefs", "get", "3DS Importer", "ImportUnits"}, {}, 1,
     "preferences.json cannot be read: its arrays and objects nest deeper than 64 levels, at /3DS Importer/ImportUnits/0/0/"},
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
    {"a FIFO as a texture",
     [](const Folder& f) {
         CopySample(f);
         std::filesystem::remove(f / "bricks.png");
         MakeFifo(f / "bricks.png");
     },
     {"kvimport", "courtyard.3ds", "courtyard.kvm"}, {}, 0, "): it is not a regular file\n", {"courtyard.kvm"}},
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
     {"sh", "-c", "kvimport --progress=lines fels.3ds sp/x.kvm 2>&1 | head -1"}, {}, 0, "percent "},
    {"a damaged 3DS file, in kvstudio",
     [](const Folder& f) { std::filesystem::copy_file(KV_DAMAGED_3DS, f / "damaged.3ds"); },
     {"kvstudio", "--screenshot=shot.png", "damaged.3ds"}, {}, 1,
     "kvstudio: Could not import damaged.3ds: the file is damaged: a face names a point its object does not have"},
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
    {"a run with a system data folder, as root makes", CopySample, {"kvimport", "courtyard.3ds", "courtyard.kvm"}, {}, 0,
     "", {"courtyard.kvm"}},
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
    std::vector<std::string> command = {"-k", "5", "60"};
    command.insert(command.end(), row.command.begin(), row.command.end());
    const ProcessResult result = RunProcess("timeout", command, environment, folder.Path());

    ASSERT_NE(result.exitCode, 124) << "still running after a minute";
    EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
    EXPECT_THAT(result.out + result.err, ::testing::HasSubstr(row.says));
    std::map<std::string, std::string> after = Contents(folder.Path());
    for (const std::string& made : row.creates) after.erase(made);
    EXPECT_EQ(after, before) << "a file changed, was removed or was left behind";
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileEnvironment, ::testing::ValuesIn(kRows), [](const auto& info) {
    std::string name = info.param.name;
    for (char& character : name) {
        if (std::isalnum(static_cast<unsigned char>(character)) == 0) character = '_';
    }
    return name;
});

}  // namespace
