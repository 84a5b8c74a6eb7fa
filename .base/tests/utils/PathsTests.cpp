#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "utils/Paths.h"

using namespace hollin::utils;

namespace {

std::string Normalized(const char* path) { return NormalizePath(Utf16String(path)).ToUtf8(); }
std::string Joined(const char* a, const char* b) { return JoinPath(Utf16String(a), Utf16String(b)).ToUtf8(); }
std::string FolderOf(const std::string& path) { return GetFolderOfPath(Utf16String(path.c_str())).ToUtf8(); }

}  // namespace

TEST(Paths, NormalizeAndJoinGiveTheCanonicalForm) {
    EXPECT_EQ(Normalized("/d/Data//x/"), "/d/Data/x");
    EXPECT_EQ(Normalized("/d/a\\..\\b\\"), "/d/a\\..\\b\\");  // a backslash is part of a name here
    EXPECT_EQ(Normalized("smb://host//share/"), "smb://host/share");
    EXPECT_EQ(Normalized("//server/share"), "//server/share");  // the prefix keeps a network path
    EXPECT_EQ(Normalized("a///b"), "a//b");                      // one pass
    // Only NUL cannot stand in a Linux file name; what Windows forbids stays.
    EXPECT_EQ(Normalized("D:a:b/x<>|\"*?\t"), "D:a:b/x<>|\"*?\t");
    EXPECT_EQ(NormalizePath(Utf16String(std::u16string(u"/a\0b", 4))).ToUtf8(), "/a_b");
    EXPECT_EQ(Normalized("/"), "");

    EXPECT_EQ(Joined("/d/a/", "/b/"), "/d/a/b");
    EXPECT_EQ(Joined("", "Resources/x"), "Resources/x");
    EXPECT_EQ(Joined("/root", ""), "/root");
    EXPECT_EQ(Joined("/root", "//b"), "/root/b");
}

TEST(Paths, FolderSplitsOnlyAtSlashesWithinTheLimitsOfLinux) {
    const std::string component(255, 'd');  // NAME_MAX bytes
    std::string deep;                       // 4095 bytes: PATH_MAX with its terminator
    while (deep.size() + 256 < 4096) deep += "/" + component;
    deep += "/" + std::string(4095 - deep.size() - 1, 'e');
    ASSERT_EQ(deep.size(), 4095u);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/m/a\\..\\..\\..\\tmp\\secret\\car.3ds", "/m"},
        {"/m/x\\..\\..\\t/car.3ds", "/m/x\\..\\..\\t"},
        {"D:\\car.3ds", ""},
        {"/abs/dir/", "/abs/dir"},
        {"/file", ""},
        {"/home/me/scenes: old/car.3ds", "/home/me/scenes: old"},
        {"/" + component + "/f", "/" + component},
        {"/" + component + "d/f", ""},
        {"/" + std::string(128, 'a') + "\xC3\xB6" + std::string(126, 'a') + "/f", ""},  // 256 bytes, 255 characters
        {deep + "/f", deep},
        {deep + "e/f", ""},
    };
    for (const auto& [path, folder] : cases) EXPECT_EQ(FolderOf(path), folder) << path.substr(0, 80);
}

TEST(Paths, ApplicationDataFoldersAreTheUsersAndTheInstallations) {
    // Each test runs in its own process under ctest; the variables need no restoring.
    setenv("HOME", "/home/someone/", 1);
    unsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(GetRoamingApplicationDataFolder().EqualsUtf8("/home/someone/.local/share"));
    setenv("XDG_DATA_HOME", "relative/ignored", 1);
    EXPECT_TRUE(GetRoamingApplicationDataFolder().EqualsUtf8("/home/someone/.local/share"));
    setenv("XDG_DATA_HOME", "/data//home/", 1);
    EXPECT_TRUE(GetRoamingApplicationDataFolder().EqualsUtf8("/data/home"));

    // The installation's, whatever the system's data folders are.
    setenv("XDG_DATA_DIRS", "/usr/local/share:/usr/share", 1);
    const std::filesystem::path installation = std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path();
    EXPECT_EQ(GetCommonApplicationDataFolder().ToUtf8(), (installation / "share").string());
}
