// kvimport with the real plug-in, as a user runs it: its report and progress
// in the user's language, textures from the folders the user names, a clear
// word for what does not convert, every installed real file, and Ctrl-C,
// SIGTERM, a closed terminal or a closed pipe in the middle of a large
// import leaving the old model as it was.

#include <cctype>
#include <csignal>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "GridMesh.h"
#include "PluginHost.h"

namespace plugin_tests {
namespace {

TEST_F(HostPrograms, ReportAndProgressComeInTheUsersLanguageOrInEnglish) {
    // The host installation without its Resources folder.
    const std::filesystem::path installed = std::filesystem::path(KV_KVIMPORT_PATH).parent_path();
    std::filesystem::create_directories(folder_ / "bare");
    constexpr auto everything = std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks;
    for (const auto& entry : std::filesystem::directory_iterator(installed)) {
        if (entry.path().filename() != "Resources") {
            std::filesystem::copy(entry.path(), folder_ / "bare" / entry.path().filename(), everything);
        }
    }
    const std::vector<std::tuple<std::string, std::filesystem::path, std::string, std::string>> cases = {
        // French puts a no-break space before a colon.
        {"fr_FR.UTF-8", KV_KVIMPORT_PATH,
         "Entités 3DS importées\n\tMatériaux\u00a0:\t4\n\tNœuds\u00a0:\t5\n\tMaillages\u00a0:\t5\n",
         "message Analyse du matériau Hedge...\n"},
        {"de_DE.UTF-8", KV_KVIMPORT_PATH, "Importierte 3DS-Objekte\n\tMaterialien:\t4\n\tKnoten:\t5\n\tNetze:\t5\n",
         "message Netz Basin wird erstellt, Fläche 0 von 48...\n"},
        {"de_DE.UTF-8", folder_ / "bare/kvimport", kSampleReport, "message Building mesh Basin face: 0 of 48...\n"},
    };
    for (const auto& [locale, kvimport, report, message] : cases) {
        const ProcessResult result = Import(KV_SAMPLE_SCENE, "courtyard.kvm", locale, kvimport);
        EXPECT_EQ(result.exitCode, 0) << locale << " " << kvimport;
        EXPECT_EQ(result.out, report) << locale << " " << kvimport;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    }
}

// A model from an archive: its images in a "textures" folder beside its
// own, some under 8.3 names or in another format, and links that came with
// it. Only the folders the user names are searched, with their sub-folders,
// a link counts only inside them, and kvimport says what stood in for what
// and where the rest is.
TEST_F(HostPrograms, TexturesComeFromTheModelsAndTheUsersFoldersAndLinksStayInside) {
    const std::filesystem::path assimp = KV_ASSIMP_3DS_DIR, models = folder_ / "game" / "models",
                                textures = folder_ / "game" / "textures";
    for (const auto& folder : {models / "maps", textures, folder_ / "private"}) std::filesystem::create_directories(folder);
    for (const char* image : {"sibling.jpg", "BrickWall_Texture.jpg", "LongNameOne.jpg", "LongNameTwo.jpg"}) {
        std::filesystem::copy_file(assimp / "IMAGE1.jpg", textures / image);
    }
    std::filesystem::copy_file(assimp / "test.png", textures / "crate.png");
    std::filesystem::copy_file(assimp / "IMAGE1.jpg", folder_ / "private" / "photo.jpg");
    std::filesystem::copy_file(assimp / "IMAGE1.jpg", models / "maps" / "in.jpg");
    std::filesystem::create_symlink(folder_ / "private" / "photo.jpg", models / "LINKOUT.JPG");
    std::filesystem::create_symlink(models / "maps" / "in.jpg", models / "LINKIN.JPG");
    hollin::samples::SceneBuilder builder;
    const std::pair<const char*, const char*> named[] = {{"sibling", "SIBLING.JPG"}, {"brick", "BRICKWAL.JPG"},
                                                         {"crate", "CRATE.RGB"},     {"out", "LINKOUT.JPG"},
                                                         {"in", "LINKIN.JPG"},       {"long", "LONGNAME.JPG"}};
    for (const auto& [material, image] : named) builder.AddMaterial(material, {1, 1, 1}, 0.0f, image);
    hollin::samples::AddUnitSquare(builder, "tile", "in");
    ASSERT_TRUE(builder.Save((models / "scene.3ds").string()));
    const auto texturedMaterials = [this](const std::string& model) {
        std::string names;
        const nlohmann::json info = ExpectValidModel(model);
        for (const nlohmann::json& material : info["materials"]) {
            if (!material["texture"].is_null()) names += material["name"].get<std::string>() + " ";
        }
        return names;
    };
    const std::string scene = "kvimport: " + (models / "scene.3ds").string() + ": ";

    const ProcessResult alone = Import(models / "scene.3ds", "alone.kvm");
    EXPECT_EQ(texturedMaterials("alone.kvm"), "in ");
    EXPECT_NE(alone.err.find(scene + "the missing textures may be in " + textures.string() + ": add --texture-folder " +
                             textures.string() + " to use them\n"),
              std::string::npos)
        << alone.err;

    const ProcessResult given = Import(models / "scene.3ds", "given.kvm", "C", KV_KVIMPORT_PATH,
                                       "--texture-folder=" + textures.string());
    EXPECT_EQ(texturedMaterials("given.kvm"), "brick crate in sibling ");  // as the model orders them
    const std::string lookedIn = " (looked for in " + models.string() + ", " + textures.string() + "): ";
    for (const std::string& line : {
             scene + "texture BRICKWAL.JPG: found as " + (textures / "BrickWall_Texture.jpg").string() +
                 ", whose name an 8.3 exporter cuts to it\n",
             scene + "texture CRATE.RGB: " + (textures / "crate.png").string() + " stands in for it\n",
             scene + "texture LINKOUT.JPG" + lookedIn + "links outside the model's folder\n",
             scene + "texture LONGNAME.JPG" + lookedIn + "several files have this 8.3 name (LongNameOne.jpg, LongNameTwo.jpg)\n",
         }) {
        EXPECT_NE(given.err.find(line), std::string::npos) << line << "\nnot in\n" << given.err;
    }
    EXPECT_EQ(given.err.find("may be in"), std::string::npos) << given.err;

    // The game's folder, whose "textures" holds the images, does as well.
    Import(models / "scene.3ds", "above.kvm", "C", KV_KVIMPORT_PATH, "--texture-folder=" + (folder_ / "game").string());
    EXPECT_EQ(texturedMaterials("above.kvm"), "brick crate in sibling ");
}

// One picture that many materials name, in a sub-folder written the Windows
// way, is stored once.
TEST_F(HostPrograms, APictureManyMaterialsNameIsStoredOnce) {
    const std::filesystem::path assimp = KV_ASSIMP_3DS_DIR;
    constexpr int kMaterials = 300;
    hollin::samples::SceneBuilder builder;
    for (int i = 0; i < kMaterials; ++i) builder.AddMaterial("tile " + std::to_string(i), {1, 1, 1}, 0.0f, "MAPS\\IMAGE1.JPG");
    hollin::samples::AddUnitSquare(builder, "tile", "tile 0");
    std::filesystem::create_directories(folder_ / "tiles" / "maps");
    std::filesystem::copy_file(assimp / "IMAGE1.jpg", folder_ / "tiles" / "maps" / "image1.jpg");
    ASSERT_TRUE(builder.Save((folder_ / "tiles" / "tiles.3ds").string()));
    ASSERT_EQ(Import(folder_ / "tiles" / "tiles.3ds", "tiles.kvm").exitCode, 0);
    const nlohmann::json tiles = ExpectValidModel("tiles.kvm");
    ASSERT_EQ(tiles["materials"].size(), std::size_t{kMaterials});
    EXPECT_EQ(tiles["materials"][kMaterials - 1]["texture"], nlohmann::json::parse("[400, 300]"));
    // The picture once, and well under a kilobyte for each material.
    EXPECT_LT(std::filesystem::file_size(folder_ / "tiles.kvm"),
              std::filesystem::file_size(assimp / "IMAGE1.jpg") + kMaterials * 1024);
}

// After the report, every input that did not convert gets one line on
// standard error that names it and says why, in the user's language; a file
// cut short converts with a warning, or not at all with --strict. (Which
// fuzzing finding converts is the converter tests' table.)
TEST_F(HostPrograms, FailedAndPartialImportsSayWhyAfterTheReport) {
    const std::filesystem::path cut = folder_ / "cut.3ds", damaged = KV_FUZZ_REGRESSIONS_3DS "/face-index-beyond-points.3ds";
    WriteFile(cut, ReadFile(KV_ASSIMP_3DS_DIR "/test1.3ds").substr(0, 3000));
    WriteFile(folder_ / "empty.3ds", "");
    WriteFile(folder_ / "notes.3ds", "Meeting notes\n");
    std::filesystem::create_directory(folder_ / "folder.3ds");
    const struct {
        std::filesystem::path input;
        std::string flag;
        int exitCode;
        std::string says;
    } cases[] = {
        {folder_ / "missing.3ds", "--progress=none", 1, ": there is no such file\n"},
        {folder_ / "folder.3ds", "--progress=none", 1, ": it is a folder, not a file\n"},
        {folder_ / "empty.3ds", "--progress=none", 1, ": the file is empty\n"},
        {folder_ / "notes.3ds", "--progress=none", 1,
         ": it is not a 3DS file (it starts with 4D 65 65 74 69 6E 67 20 \"Meeting \")\n"},
        {damaged, "--progress=none", 1,
         ": the file is damaged: a face names a point its object does not have (chunk 0x4120 at byte 72)\n"},
        {KV_FUZZ_REGRESSIONS_3DS "/face-index-beyond-points-project-file.3ds", "--progress=none", 1,
         ": the file is damaged: a face names a point its object does not have"},
        {cut, "--progress=none", 0,
         ": warning: the model may be incomplete: chunk 0x4140 at byte 2991 runs to byte 3255, past the end of the "
         "file at byte 3000\n"},
        {cut, "--strict", 1,
         ": not converted (--strict): the model may be incomplete: chunk 0x4140 at byte 2991 runs to byte 3255, past "
         "the end of the file at byte 3000\n"},
    };
    for (const auto& [input, flag, exitCode, says] : cases) {
        std::filesystem::remove(folder_ / "model.kvm");
        const ProcessResult imported = Import(input, "model.kvm", "C", KV_KVIMPORT_PATH, flag);
        EXPECT_EQ(imported.exitCode, exitCode) << input;
        EXPECT_EQ(std::filesystem::exists(folder_ / "model.kvm"), exitCode == 0) << input;
        EXPECT_EQ(imported.err.find("kvimport: " + input.string() + says), 0u) << imported.err;
    }
    const ProcessResult german = Import(folder_ / "missing.3ds", "model.kvm", "de_DE.UTF-8", KV_KVIMPORT_PATH, "--progress=none");
    EXPECT_EQ(german.err, "kvimport: " + (folder_ / "missing.3ds").string() + ": die Datei existiert nicht\n");

    // A hundred copies of one mesh in an address space of 1 GiB; not under
    // AddressSanitizer, which reserves terabytes of address space at start-up.
#ifndef __SANITIZE_ADDRESS__
    hollin::samples::MeshData strip{"big", {}, {}};
    for (std::uint16_t point = 0; point < 65002; ++point) {
        strip.points.push_back({point * 1.0f, point % 2 * 1.0f, 0.0f});
        if (point >= 2) strip.faces.push_back({{std::uint16_t(point - 2), std::uint16_t(point - 1), point}, ""});
    }
    hollin::samples::SceneBuilder crowded;
    crowded.AddMesh(strip);
    for (int node = 0; node < 100; ++node) crowded.AddObjectNode("big");
    ASSERT_TRUE(crowded.Save((folder_ / "crowded.3ds").string()));
    const ProcessResult limited = RunProcess("prlimit", {"--as=1073741824", KV_KVIMPORT_PATH, "--progress=none",
                                                         (folder_ / "crowded.3ds").string(), (folder_ / "model.kvm").string()},
                                             Environment());
    EXPECT_EQ(limited.exitCode, 1);
    EXPECT_NE(limited.err.find(": it needs more memory than there is: about "), std::string::npos) << limited.err;
    EXPECT_NE(limited.err.find(" MiB for 6,500,000 faces, and "), std::string::npos) << limited.err;
#endif
}

// A scene finds its texture however its folder is named or reached.
TEST_F(HostPrograms, TheSampleFindsItsTextureFromARelativePathAColonFolderAndALongFolder) {
    std::string deep = "c: d";  // past the 255 characters that once emptied the folder
    for (int level = 0; level < 3; ++level) deep += "/" + std::string(100, 'd');
    const std::vector<std::pair<std::string, bool>> cases = {{"plain", true}, {"a:b", false}, {deep, false}};
    const std::filesystem::path sample(KV_SAMPLE_SCENE);
    for (const auto& [name, inItsFolder] : cases) {
        const std::filesystem::path scene = folder_ / name;
        std::filesystem::create_directories(scene);
        std::filesystem::copy_file(sample, scene / "courtyard.3ds");
        std::filesystem::copy_file(sample.parent_path() / "bricks.png", scene / "bricks.png");
        const ProcessResult result =
            inItsFolder ? RunProcess(KV_KVIMPORT_PATH, {"--progress=none", "courtyard.3ds", "courtyard.kvm"}, Environment(), scene)
                        : Import(scene / "courtyard.3ds", name + "/courtyard.kvm", "C", KV_KVIMPORT_PATH, "--progress=none");
        EXPECT_EQ(result.exitCode, 0) << name << result.err;
        EXPECT_EQ(result.out, kSampleReport) << name;
    }
}

// Each signal with the exit code it must give; SIGKILL cannot be caught, and
// leaves the importer's unfinished file behind, but the old model all the same.
class SignalInALargeImport : public HostPrograms, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(SignalInALargeImport, CancelsItThroughTheImporterAndKeepsTheOldModel) {
    const auto [signal, exitCode] = GetParam();
    ASSERT_TRUE(hollin::samples::WriteTiles(folder_ / "large.3ds", 40));
    WriteFile(folder_ / "large.kvm", "old model");
    BackgroundProcess kvimport(
        KV_KVIMPORT_PATH, {"--progress=lines", (folder_ / "large.3ds").string(), (folder_ / "large.kvm").string()},
        Environment());
    ASSERT_TRUE(kvimport.WaitForError("message Building mesh"));
    kvimport.Signal(signal);
    const ProcessResult result = kvimport.Finish();
    EXPECT_EQ(result.exitCode, exitCode) << result.err;
    EXPECT_EQ(ReadFile(folder_ / "large.kvm"), "old model");
    if (signal == SIGKILL) return;
    EXPECT_EQ(result.err.find("Cleaning up..."), std::string::npos) << "the importer saw the cancellation";
    for (const std::string& name : NamesIn(folder_.Path())) EXPECT_NE(name[0], '.') << "left behind: " << name;
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalInALargeImport,
                         ::testing::Values(std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}, std::pair{SIGHUP, 129},
                                           std::pair{SIGPIPE, 141}, std::pair{SIGKILL, -1}));

std::vector<std::string> RealFileNames() {
    std::vector<std::string> names;
    for (const auto& [name, expected] : RealFileExpectations().items()) names.push_back(name);
    return names;
}

class RealFile : public HostPrograms, public ::testing::WithParamInterface<std::string> {};

TEST_P(RealFile, ImportsWithItsReportFacesAndInstances) {
    const nlohmann::json& expected = RealFileExpectations()[GetParam()];
    const std::filesystem::path input = std::filesystem::path("/usr/share") / GetParam();
    const std::filesystem::path textures = input.parent_path().parent_path() / "textures";
    const ProcessResult imported = Import(input, "model.kvm", "C", KV_KVIMPORT_PATH,
                                          std::filesystem::is_directory(textures) ? "--texture-folder=" + textures.string()
                                                                                  : "--progress=none");
    EXPECT_EQ(imported.out, expected["report"].get<std::string>());
    // kvinfo tells the same without converting (a file without any content
    // is no 3DS file to it, and no model file either).
    const nlohmann::json described = ModelInfo(input);
    if (expected["faces"].is_null()) {
        EXPECT_EQ(described.is_object() ? described["verdict"] : "refused", "refused");
        EXPECT_EQ(imported.exitCode, 1);
        EXPECT_FALSE(std::filesystem::exists(folder_ / "model.kvm"));
        return;
    }
    EXPECT_EQ(described["verdict"], "loads");
    const std::string counts = "\tMaterials:\t" + described["counts"]["materials"].dump() + "\n\tNodes:\t" +
                               described["counts"]["nodes"].dump() + "\n";
    EXPECT_NE(imported.out.find(counts), std::string::npos) << described["counts"];
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    const nlohmann::json info = ExpectValidModel("model.kvm");
    EXPECT_EQ(info["totals"]["faces"], expected["faces"]);
    EXPECT_EQ(info["totals"]["instances"], expected["instances"]);
}

std::string TestNameOf(const ::testing::TestParamInfo<std::string>& info) {
    // Folders of different packages may hold files of the same name.
    std::string name = info.param;
    for (char& character : name) {
        if (std::isalnum(static_cast<unsigned char>(character)) == 0) character = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Installed, RealFile, ::testing::ValuesIn(RealFileNames()), TestNameOf);

}  // namespace
}  // namespace plugin_tests
