#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "TemporaryFolder.h"
#include "settings/TextureFolderHint.h"
#include "settings/TextureSearch.h"

namespace hollin::settings {
namespace {

namespace fs = std::filesystem;

struct Expected {
    const char* stored;
    const char* file;  // under the test's folder; nullptr when nothing is found
    TextureMatch match = TextureMatch::Name;
    TextureMiss miss = TextureMiss::NotFound;
};

class TextureSearchTest : public ::testing::Test {
protected:
    void Make(std::initializer_list<const char*> files) const {
        for (const char* file : files) WriteFile(folder_ / file, "image");
    }
    fs::path Under(const std::string& relative) const { return fs::canonical(folder_.Path()) / relative; }

    TemporaryFolder folder_;
};

TEST_F(TextureSearchTest, FindsByNameThenShortNameThenStandInFolderByFolderAndStaysInsideEach) {
    // The model sits in model/here; "textures" and "more" are the user's
    // texture folders, in that order, searched with their sub-folders;
    // a.png and "elsewhere" are outside all.
    Make({"model/here/Wood.jpg", "model/here/cwall02.jpg", "model/here/maps/Bark.PNG", "model/here/two/wood.jpg",
          "model/here/two/WOOD.jpg", "model/here/caf\xC3\xA9.png", "model/here/photo.tif", "model/here/scan.tif",
          "model/a.png", "a.png", "elsewhere/linked.png", "textures/panzer1_.tga", "textures/crate-base.png",
          "textures/crate-base.bmp", "textures/BrickWall_Texture.jpg", "textures/LongNameOne.jpg",
          "textures/LongNamed.jpg", "textures/scan.png", "more/only.png", "more/Wood.jpg", "more/gl-117/textures/below.png",
          "more/first.png", "more/a/first.png", "more/b/same.png", "more/a/x/same.png", "more/c/same.png",
          "more/1/2/3/4/5/6/7/8/eight.png", "more/1/2/3/4/5/6/7/8/9/nine.png", "elsewhere/away.png"});
    fs::create_directory(folder_ / "model/here/stone.jpg");
    ASSERT_EQ(::mkfifo((folder_ / "model/here/pipe.png").c_str(), 0644), 0);
    fs::create_directory_symlink(folder_ / "elsewhere", folder_ / "model/here/shared");
    fs::create_symlink("../../a.png", folder_ / "model/here/outside.jpg");
    fs::create_symlink("maps/../Wood.jpg", folder_ / "model/here/inside.jpg");
    fs::create_symlink(folder_ / "model/here/Wood.jpg", folder_ / "model/here/absolute.jpg");
    fs::create_directory_symlink(folder_ / "elsewhere", folder_ / "more/away");
    fs::create_directory_symlink("..", folder_ / "more/a/loop");
    const std::string outsideByPath = (folder_ / "a.png").string();

    const std::vector<Expected> cases = {
        {"Wood.jpg", "model/here/Wood.jpg"},
        {"CWALL02.JPG", "model/here/cwall02.jpg"},
        {"MAPS\\BARK.png", "model/here/maps/Bark.PNG"},
        {"./maps/./bark.png", "model/here/maps/Bark.PNG"},
        {"TWO\\Wood.JPG", "model/here/two/WOOD.jpg"},  // the smallest of names equal but for case
        {"OTHER\\CWALL02.JPG", "model/here/cwall02.jpg"},  // folders that are not there: by file name
        {"STONE.JPG", nullptr},
        {"", nullptr},
        {"..", nullptr},
        // Names that lead out are looked for by their file name alone.
        {"../a.png", nullptr},
        {"maps\\..\\..\\a.png", nullptr},
        {outsideByPath.c_str(), nullptr},
        {"C:\\a.png", nullptr},
        {"\\\\server\\maps\\a.png", nullptr},
        {"D:\\textures\\Wood.jpg", "model/here/Wood.jpg"},
        {"c:WOOD.jpg", "model/here/Wood.jpg"},
        // One case rule for every locale, and names in either Unicode form or Windows-1252.
        {"CAF\xC3\x89.PNG", "model/here/caf\xC3\xA9.png"},
        {"CAFE\xCC\x81.PNG", "model/here/caf\xC3\xA9.png"},
        {"CAF\xC9.PNG", "model/here/caf\xC3\xA9.png"},
        // Links count only when they stay inside the folder searched.
        {"SHARED\\linked.png", nullptr, TextureMatch::Name, TextureMiss::LinksOutside},
        {"outside.jpg", nullptr, TextureMatch::Name, TextureMiss::LinksOutside},
        {"inside.jpg", "model/here/Wood.jpg"},
        {"absolute.jpg", "model/here/Wood.jpg"},
        // Never waited on, and no texture.
        {"PIPE.PNG", nullptr, TextureMatch::Name, TextureMiss::NotARegularFile},
        // The user's folders, in order, after the model's own.
        {"only.png", "more/only.png"},
        {"BRICKWAL.JPG", "textures/BrickWall_Texture.jpg", TextureMatch::ShortName},
        {"LONGNAME.JPG", nullptr, TextureMatch::Name, TextureMiss::SeveralShortNames},
        {"PANZER1_.RGB", "textures/panzer1_.tga", TextureMatch::StandIn},
        {"crate-base.b", "textures/crate-base.png", TextureMatch::StandIn},  // PNG before BMP
        {"BRICKWAL.RGB", "textures/BrickWall_Texture.jpg", TextureMatch::StandIn},
        {"scan.tif", "textures/scan.png", TextureMatch::StandIn},
        {"photo.tif", "model/here/photo.tif"},  // no stand-in: the host says why it cannot read it
        // A texture folder's sub-folders: each folder before its own
        // sub-folders, and these by name, to 8 levels down; never through a link.
        {"BELOW.PNG", "more/gl-117/textures/below.png"},
        {"MAPS\\BELOW.PNG", "more/gl-117/textures/below.png"},
        {"first.png", "more/first.png"},
        {"same.png", "more/a/x/same.png"},
        {"eight.png", "more/1/2/3/4/5/6/7/8/eight.png"},
        {"nine.png", nullptr},
        {"away.png", nullptr},
    };
    TextureSearch search((folder_ / "model/here").string(),
                         {(folder_ / "textures").string(), (folder_ / "more").string()});
    for (const Expected& expected : cases) {
        const TextureLookup lookup = search.Find(expected.stored);
        EXPECT_EQ(lookup.found ? lookup.found->path : "", expected.file ? Under(expected.file).string() : "")
            << expected.stored;
        if (lookup.found) {
            EXPECT_EQ(lookup.found->match, expected.match) << expected.stored;
            // Handed out open on that very file.
            const fs::path opened = "/proc/self/fd/" + std::to_string(lookup.found->file.Get());
            EXPECT_TRUE(fs::equivalent(opened, lookup.found->path)) << expected.stored;
            EXPECT_EQ(lookup.found->name, fs::path(lookup.found->path).filename()) << expected.stored;
        } else {
            EXPECT_EQ(lookup.miss, expected.miss) << expected.stored;
        }
    }
    EXPECT_EQ(search.Find("LONGNAME.JPG").candidates, (std::vector<std::string>{"LongNameOne.jpg", "LongNamed.jpg"}));
    EXPECT_EQ(search.Find("nine.png").searchedInPart, std::vector<std::string>{(folder_ / "more").string()});
}

// A texture folder of more names than the search lists is listed that far,
// folder by folder, and a miss says so.
TEST_F(TextureSearchTest, StopsListingATextureFolderAtItsBoundAndSaysSo) {
    Make({"model/m.3ds", "library/a/1.png", "library/a/2.png", "library/b/3.png", "library/b/4.png", "library/c/5.png"});
    const std::string library = (folder_ / "library").string();
    // library's three folders, a's two files and one of b's: the other is one too many.
    TextureSearch search((folder_ / "model").string(), {library}, {}, ListingBounds{8, 6});
    EXPECT_TRUE(search.Find("2.png").found);
    EXPECT_FALSE(search.Find("5.png").found);
    EXPECT_EQ(search.Find("5.png").searchedInPart, std::vector<std::string>{library});
    EXPECT_TRUE(TextureSearch((folder_ / "model").string(), {library}, {}, ListingBounds{8, 8}).Find("5.png").found);
}

// Only images the host reads count, and only folders that are safe to add:
// never a link beside the model's folder, never the home folder or above.
TEST_F(TextureSearchTest, HintsOnlyAtARealFolderBesideTheModelsThatHoldsTheMissingImages) {
    Make({"game/models/tank.3ds", "game/sounds/PANZER1_.wav", "game/textures/panzer1_.tga", "game/textures/sky.png",
          "game/.cache/sky.png", "game/etc/passwd", "game/etc/passwd.txt", "archive/models/m.3ds", "secret/sky.png", "secret/panzer1_.tga",
          "home/Downloads/m.3ds", "home/.bashrc", "home/.profile", "home/sky.png"});
    fs::create_directory_symlink("../secret", folder_ / "archive/textures");
    fs::create_directory_symlink("/", folder_ / "archive/root");
    const std::string models = (folder_ / "game/models").string(), textures = (folder_ / "game/textures").string(),
                      archive = (folder_ / "archive/models").string(), downloads = (folder_ / "home/Downloads").string();
    const struct {
        std::string modelFolder;
        std::vector<std::string> notFound;
        std::vector<std::string> searched;
        std::string hint;  // empty for none
        std::size_t names = 0;
    } cases[] = {
        {models, {"PANZER1_.RGB", "SKY.JPG", "NONE.JPG"}, {models}, textures, 2},
        {models, {"SKY.JPG"}, {models, textures}, ""},  // a folder already searched is no news
        {models, {"etc\\passwd"}, {models}, ""},
        {archive, {"SKY.PNG", "PANZER1_.TGA", "tmp\\secret.png"}, {archive}, ""},
        {downloads, {".bashrc", ".profile", "SKY.PNG"}, {downloads}, ""},
    };
    // Each test runs in its own process under ctest; HOME needs no restoring.
    ASSERT_EQ(::setenv("HOME", (folder_ / "home").c_str(), 1), 0);
    for (const auto& row : cases) {
        const std::optional<TextureFolderHint> hint = FindTextureFolderHint(row.modelFolder, row.notFound, row.searched);
        EXPECT_EQ(hint ? hint->folder : "", row.hint.empty() ? "" : fs::canonical(row.hint).string()) << row.modelFolder;
        EXPECT_EQ(hint ? hint->names : 0, row.names) << row.modelFolder;
    }
}

}  // namespace
}  // namespace hollin::settings
