#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "utils/Paths.h"

using namespace hollin::utils;

namespace {

std::string Normalized(const char* path) { return NormalizePath(Utf16String(path)).ToUtf8(); }
std::string Joined(const char* a, const char* b) { return JoinPath(Utf16String(a), Utf16String(b)).ToUtf8(); }
std::string FolderOf(const std::string& path) { return GetFolderOfPath(Utf16String(path.c_str())).ToUtf8(); }

}  // namespace

TEST(Paths, NormalizeAndJoinGiveTheCanonicalForm) {
    EXPECT_EQ(Normalized("D:\\Data\\\\x\\"), "D:/Data/x");
    EXPECT_EQ(Normalized("smb://host//share/"), "smb://host/share");
    EXPECT_EQ(Normalized("//server/share"), "//server/share");  // the prefix keeps a network path
    EXPECT_EQ(Normalized("a///b"), "a//b");                      // one pass
    EXPECT_EQ(Normalized("D:a:b"), "D:a_b");
    EXPECT_EQ(Normalized("x<>|\"*?\t"), "x_______");
    EXPECT_EQ(Normalized("?a"), "?a");  // the first character is prefix
    EXPECT_EQ(Normalized("/"), "");

    EXPECT_EQ(Joined("D:\\a\\", "\\b\\"), "D:/a/b");
    EXPECT_EQ(Joined("", "Resources/x"), "Resources/x");
    EXPECT_EQ(Joined("/root", ""), "/root");
    EXPECT_EQ(Joined("/root", "//b"), "/root/b");
}

TEST(Paths, FolderSplitsLikeTheWindowsSplitter) {
    EXPECT_EQ(FolderOf("D:\\models\\car.3ds"), "D:/models");
    EXPECT_EQ(FolderOf("D:car.3ds"), "D:");
    EXPECT_EQ(FolderOf("D:\\car.3ds"), "D:/");
    EXPECT_EQ(FolderOf("/abs/dir/"), "/abs/dir");
    EXPECT_EQ(FolderOf("/file"), "");
    const std::string longest = "/" + std::string(253, 'd') + "/";  // 255 units: fits
    EXPECT_EQ(FolderOf(longest + "f"), longest.substr(0, 254));
    EXPECT_EQ(FolderOf("/" + std::string(254, 'd') + "/f"), "");
    EXPECT_EQ(FolderOf("C:/" + std::string(253, 'd') + "/f"), "C:/" + std::string(253, 'd'));  // drive not counted
    EXPECT_EQ(FolderOf("C:/" + std::string(254, 'd') + "/f"), "");
}

TEST(Paths, FileSystemQueriesAndTheProgramsFolder) {
    const std::filesystem::path temporary =
        std::filesystem::temp_directory_path() / ("hollin_utils_paths_" + std::to_string(getpid()));
    const Utf16String root(temporary.string().c_str());
    const Utf16String nested = JoinPath(root, Utf16String("one/tw\xC3\xB6"));
    EXPECT_FALSE(FileExists(nested));
    EXPECT_TRUE(CreateDirectories(nested));
    EXPECT_TRUE(std::filesystem::is_directory(temporary / "one" / "tw\xC3\xB6"));
    EXPECT_TRUE(CreateDirectories(nested));  // exists already

    std::ofstream(temporary / "f.txt") << "";
    const Utf16String file = JoinPath(root, Utf16String("f.txt"));
    EXPECT_TRUE(FileExists(file) && !IsDirectory(file));
    EXPECT_FALSE(CreateDirectories(JoinPath(file, Utf16String("below"))));
    std::filesystem::remove_all(temporary);

    EXPECT_TRUE(FileExists(JoinPath(GetHostExecutableFolder(), Utf16String("utils_tests"))));
}

TEST(Paths, ApplicationDataFoldersFollowTheEnvironment) {
    // Each test runs in its own process under ctest; the variables need no restoring.
    setenv("HOME", "/home/someone/", 1);
    unsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(GetRoamingApplicationDataFolder().EqualsUtf8("/home/someone/.local/share"));
    setenv("XDG_DATA_HOME", "relative/ignored", 1);
    EXPECT_TRUE(GetRoamingApplicationDataFolder().EqualsUtf8("/home/someone/.local/share"));
    setenv("XDG_DATA_HOME", "/data//home/", 1);
    EXPECT_TRUE(GetRoamingApplicationDataFolder().EqualsUtf8("/data/home"));

    setenv("XDG_DATA_DIRS", "", 1);
    EXPECT_TRUE(GetCommonApplicationDataFolder().EqualsUtf8("/usr/local/share"));
    setenv("XDG_DATA_DIRS", "/opt/share/:/usr/share", 1);
    EXPECT_TRUE(GetCommonApplicationDataFolder().EqualsUtf8("/opt/share"));
}
