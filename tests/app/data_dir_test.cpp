// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/data_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_dir.h"

namespace lyr {
namespace {

TEST(DataDir, FreshProfileCreatesEveryLevel) {
    test::TempDir dir;
    SpecialFolders folders;
    folders.data = dir / "home" / ".local" / "share";
    folders.executable_directory = dir / "bin";
    std::string data_dir = ComputeDataDir(folders);
    EXPECT_EQ(data_dir, folders.data.string() + "/Zendry/Lyr Messenger/Data/");
    EXPECT_TRUE(std::filesystem::is_directory(data_dir));
    struct stat info {};
    ASSERT_EQ(::stat(data_dir.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u) << "the messages are readable by others";
    // A second start finds it as it is.
    EXPECT_EQ(ComputeDataDir(folders), data_dir);
}

TEST(DataDir, FallsBackToTheExecutableDirectory) {
    test::TempDir dir;
    SpecialFolders folders;
    folders.executable_directory = dir / "bin";
    // A file in place of a level stands for a folder that cannot be written.
    test::WriteFile(dir / "share", "not a folder");
    folders.data = dir / "share";
    EXPECT_EQ(ComputeDataDir(folders), (dir / "bin").string() + "/");
    std::filesystem::create_directories(dir / "other" / "Zendry" / "Lyr Messenger");
    test::WriteFile(dir / "other" / "Zendry" / "Lyr Messenger" / "Data", "a file");
    folders.data = dir / "other";
    folders.executable_directory = dir.Path().string() + "/";
    EXPECT_EQ(ComputeDataDir(folders), dir.Path().string() + "/");
}

TEST(DataDir, UnknownFolderMeansTheRoot) {
    EXPECT_EQ(DataDirCandidate(""), "/Zendry/Lyr Messenger/Data/");
    EXPECT_EQ(DataDirCandidate("/home/anna/.local/share/"),
              "/home/anna/.local/share/Zendry/Lyr Messenger/Data/");
}

}  // namespace
}  // namespace lyr
