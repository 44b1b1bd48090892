// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/special_folders.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

namespace lyr {
namespace {

// Sets an environment variable for one test and restores it afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = getenv(name)) {
            old_ = old;
        }
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedVariable() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(SpecialFolders, FollowTheXdgBaseDirectories) {
    ScopedVariable home("HOME", "/home/anna");
    {
        ScopedVariable data("XDG_DATA_HOME", "/srv/data");
        ScopedVariable config("XDG_CONFIG_HOME", "/srv/config");
        SpecialFolders folders = CurrentSpecialFolders();
        EXPECT_EQ(folders.data, "/srv/data");
        EXPECT_EQ(folders.config, "/srv/config");
        EXPECT_EQ(folders.autostart, "/srv/config/autostart");
    }
    // Unset or relative variables fall back to the home directory.
    ScopedVariable data("XDG_DATA_HOME", "relative/data");
    ScopedVariable config("XDG_CONFIG_HOME", nullptr);
    SpecialFolders folders = CurrentSpecialFolders();
    EXPECT_EQ(folders.data, "/home/anna/.local/share");
    EXPECT_EQ(folders.config, "/home/anna/.config");
    EXPECT_EQ(folders.autostart, "/home/anna/.config/autostart");
    // The test program itself lives in the executable directory.
    EXPECT_TRUE(std::filesystem::exists(folders.executable_directory / "test_settings_platform"));
}

}  // namespace
}  // namespace lyr
