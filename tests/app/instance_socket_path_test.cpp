// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/instance_requests.h"
#include "support/temp_dir.h"

namespace lyr {
namespace {

const std::string kName = "zendrylyrmgrrun-" + std::to_string(::getuid());

TEST(InstanceSocketPathTest, LivesInTheRuntimeDirectoryWhenThereIsOne) {
    EXPECT_EQ(InstanceSocketPathIn("/run/user/1000", "/tmp"), "/run/user/1000/" + kName);
    // A relative runtime directory is not one.
    test::TempDir temp;
    EXPECT_EQ(InstanceSocketPathIn("run", temp.Path().string()), (temp / kName / kName).string());
}

// In the shared temporary directory the socket sits in a directory only this user can enter,
// so another user can neither take the name first nor send requests.
TEST(InstanceSocketPathTest, WithoutRuntimeDirectoryUsesAPrivateDirectory) {
    test::TempDir temp;
    const std::string path = InstanceSocketPathIn(nullptr, temp.Path().string());
    ASSERT_EQ(path, (temp / kName / kName).string());
    struct stat status {};
    ASSERT_EQ(::lstat((temp / kName).c_str(), &status), 0);
    EXPECT_TRUE(S_ISDIR(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    // The next start finds it again.
    EXPECT_EQ(InstanceSocketPathIn(nullptr, temp.Path().string()), path);
}

TEST(InstanceSocketPathTest, APlaceOthersCouldReachIsNotUsed) {
    test::TempDir open_directory;
    std::filesystem::create_directory(open_directory / kName);
    ::chmod((open_directory / kName).c_str(), 0777);
    EXPECT_EQ(InstanceSocketPathIn(nullptr, open_directory.Path().string()), "");

    test::TempDir symlinked;
    std::filesystem::create_directory(symlinked / "elsewhere");
    ::chmod((symlinked / "elsewhere").c_str(), 0700);
    std::filesystem::create_directory_symlink(symlinked / "elsewhere", symlinked / kName);
    EXPECT_EQ(InstanceSocketPathIn(nullptr, symlinked.Path().string()), "");

    test::TempDir file;
    test::WriteFile(file / kName, "not a directory");
    EXPECT_EQ(InstanceSocketPathIn(nullptr, file.Path().string()), "");

    if (::geteuid() == 0) {  // a directory of another user's
        test::TempDir foreign;
        std::filesystem::create_directory(foreign / kName);
        ::chmod((foreign / kName).c_str(), 0700);
        ASSERT_EQ(::chown((foreign / kName).c_str(), 12345, 12345), 0);
        EXPECT_EQ(InstanceSocketPathIn(nullptr, foreign.Path().string()), "");
    }
}

}  // namespace
}  // namespace lyr
