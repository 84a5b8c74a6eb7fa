#include <gtest/gtest.h>

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
    // texture folders, in that order; a.png and "elsewhere" are outside all.
    Make({"model/here/Wood.jpg", "model/here/cwall02.jpg", "model/here/maps/Bark.PNG", "model/here/two/wood.jpg",
          "model/here/two/WOOD.jpg", "model/here/caf\xC3\xA9.png", "model/here/photo.tif", "model/here/scan.tif",
          "model/a.png", "a.png", "elsewhere/linked.png", "textures/panzer1_.tga", "textures/crate-base.png",
          "textures/crate-base.bmp", "textures/BrickWall_Texture.jpg", "textures/LongNameOne.jpg",
          "textures/LongNamed.jpg", "textures/scan.png", "more/only.png", "more/Wood.jpg"});
    fs::create_directory(folder_ / "model/here/stone.jpg");
    fs::create_directory_symlink(folder_ / "elsewhere", folder_ / "model/here/shared");
    fs::create_symlink(folder_ / "a.png", folder_ / "model/here/outside.jpg");
    fs::create_symlink(folder_ / "model/here/Wood.jpg", folder_ / "model/here/inside.jpg");
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
        // The user's folders, in order, after the model's own.
        {"only.png", "more/only.png"},
        {"BRICKWAL.JPG", "textures/BrickWall_Texture.jpg", TextureMatch::ShortName},
        {"LONGNAME.JPG", nullptr, TextureMatch::Name, TextureMiss::SeveralShortNames},
        {"PANZER1_.RGB", "textures/panzer1_.tga", TextureMatch::StandIn},
        {"crate-base.b", "textures/crate-base.png", TextureMatch::StandIn},  // PNG before BMP
        {"BRICKWAL.RGB", "textures/BrickWall_Texture.jpg", TextureMatch::StandIn},
        {"scan.tif", "textures/scan.png", TextureMatch::StandIn},
        {"photo.tif", "model/here/photo.tif"},  // no stand-in: the host says why it cannot read it
    };
    TextureSearch search((folder_ / "model/here").string(),
                         {(folder_ / "textures").string(), (folder_ / "more").string()});
    for (const Expected& expected : cases) {
        const TextureLookup lookup = search.Find(expected.stored);
        EXPECT_EQ(lookup.found ? lookup.found->path : "", expected.file ? Under(expected.file).string() : "")
            << expected.stored;
        if (lookup.found) {
            EXPECT_EQ(lookup.found->match, expected.match) << expected.stored;
        } else {
            EXPECT_EQ(lookup.miss, expected.miss) << expected.stored;
        }
    }
    EXPECT_EQ(search.Find("LONGNAME.JPG").candidates, (std::vector<std::string>{"LongNameOne.jpg", "LongNamed.jpg"}));
}

TEST_F(TextureSearchTest, HintsAtTheFolderBesideTheModelsThatHoldsTheMissingImages) {
    Make({"game/models/tank.3ds", "game/sounds/PANZER1_.wav", "game/textures/panzer1_.tga", "game/textures/sky.png",
          "game/.cache/sky.png"});
    const std::string models = (folder_ / "game/models").string();
    const std::optional<TextureFolderHint> hint = FindTextureFolderHint(models, {"PANZER1_.RGB", "SKY.JPG", "NONE.JPG"}, {models});
    ASSERT_TRUE(hint);
    EXPECT_EQ(hint->folder, (folder_ / "game/textures").string());
    EXPECT_EQ(hint->names, 2u);
    // A folder already searched is no news.
    EXPECT_FALSE(FindTextureFolderHint(models, {"SKY.JPG"}, {models, (folder_ / "game/textures").string()}));
}

}  // namespace
}  // namespace hollin::settings
