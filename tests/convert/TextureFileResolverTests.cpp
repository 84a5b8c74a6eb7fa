#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "convert/TextureFileResolver.h"

namespace hollin::importer {
namespace {

namespace fs = std::filesystem;
using hollin::utils::Utf16String;

class TextureFileResolverTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "textures-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code error;
        fs::remove_all(folder_, error);
    }
    void Touch(const fs::path& relative) {
        fs::create_directories((folder_ / relative).parent_path());
        std::ofstream(folder_ / relative) << "image";
    }
    std::optional<std::string> Resolve(const char* storedName) const {
        const auto path = ResolveTextureFile(Utf16String::FromUtf8(folder_.string()), Utf16String(storedName));
        if (!path) return std::nullopt;
        return path->ToUtf8();
    }
    std::string InFolder(const char* relative) const { return (folder_ / relative).string(); }

    fs::path folder_;
};

TEST_F(TextureFileResolverTest, ExactNameIsUsedAsStored) {
    Touch("Wood.jpg");
    EXPECT_EQ(Resolve("Wood.jpg"), InFolder("Wood.jpg"));
}

TEST_F(TextureFileResolverTest, NamesMatchIgnoringCaseAsOnWindows) {
    Touch("cwall02.jpg");
    Touch("maps/Bark.PNG");
    EXPECT_EQ(Resolve("CWALL02.JPG"), InFolder("cwall02.jpg"));
    EXPECT_EQ(Resolve("MAPS\\BARK.png"), InFolder("maps/Bark.PNG"));
    EXPECT_EQ(Resolve("maps/bark.png"), InFolder("maps/Bark.PNG"));
}

TEST_F(TextureFileResolverTest, MissingFilesAndFoldersAreNotFound) {
    Touch("maps/bark.png");
    fs::create_directory(folder_ / "stone.jpg");
    EXPECT_EQ(Resolve("WOOD.JPG"), std::nullopt);
    EXPECT_EQ(Resolve("OTHER\\BARK.PNG"), std::nullopt);
    EXPECT_EQ(Resolve("STONE.JPG"), std::nullopt);
    EXPECT_EQ(Resolve("MAPS"), std::nullopt);
    EXPECT_EQ(Resolve(""), std::nullopt);
}

TEST_F(TextureFileResolverTest, AmongSeveralCaseVariantsTheChoiceIsStable) {
    Touch("wood.jpg");
    Touch("WOOD.jpg");
    EXPECT_EQ(Resolve("Wood.JPG"), InFolder("WOOD.jpg"));
}

}  // namespace
}  // namespace hollin::importer
