// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup_entry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/error.h"
#include "support/temp_dir.h"

namespace lyr {
namespace {

// Reads an Exec value back as a desktop environment does: the string escapes first, then the
// quoting of each argument, then the doubled '%'.
std::vector<std::string> ParseExec(const std::string& value) {
    std::string unescaped;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            unescaped += next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
        } else {
            unescaped += value[i];
        }
    }
    std::vector<std::string> arguments;
    std::string current;
    bool quoted = false, inside = false;
    for (size_t i = 0; i < unescaped.size(); ++i) {
        const char c = unescaped[i];
        if (quoted) {
            if (c == '\\' && i + 1 < unescaped.size()) {
                current += unescaped[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == '"') {
            quoted = inside = true;
        } else if (c == ' ') {
            if (inside) {
                arguments.push_back(current);
            }
            current.clear();
            inside = false;
        } else {
            current += c;
            inside = true;
        }
    }
    if (inside) {
        arguments.push_back(current);
    }
    for (std::string& argument : arguments) {
        for (size_t at = argument.find("%%"); at != std::string::npos;
             at = argument.find("%%", at + 1)) {
            argument.erase(at, 1);
        }
    }
    return arguments;
}

std::string ValueOf(const std::string& entry, const std::string& key) {
    const size_t at = entry.find("\n" + key + "=");
    if (at == std::string::npos) {
        return "<missing>";
    }
    const size_t start = at + key.size() + 2;
    return entry.substr(start, entry.find('\n', start) - start);
}

TEST(StartupEntry, StartsTheProgramWithItsPathIntact) {
    const std::string plain =
        DesktopEntryText("/usr/bin/lyrmessenger", {}, "", "", kStartupEntryName);
    EXPECT_EQ(plain,
              "[Desktop Entry]\nType=Application\nName=LyrMessenger\n"
              "Exec=/usr/bin/lyrmessenger\nTryExec=/usr/bin/lyrmessenger\nTerminal=false\n");
    const std::string odd = "/home/Иван \"x\"/my $dir\\a`b/100% lyr\tmessenger";
    const std::string entry = DesktopEntryText(odd, {"--flag", "two words", ""}, "/work dir",
                                               "lyr-icon", kStartupEntryName);
    EXPECT_EQ(ParseExec(ValueOf(entry, "Exec")),
              (std::vector<std::string>{odd, "--flag", "two words", ""}));
    EXPECT_EQ(ValueOf(entry, "Path"), "/work dir");
    EXPECT_EQ(ValueOf(entry, "Icon"), "lyr-icon");
    // A line break in a path must not end the line.
    const std::string broken = DesktopEntryText("/a\nb", {}, "", "", "N");
    EXPECT_EQ(ParseExec(ValueOf(broken, "Exec")), std::vector<std::string>{"/a\nb"});
}

TEST(StartupEntry, AnInstalledProgramIsNamedAsThePackageInstallsIt) {
    EXPECT_EQ(ProgramForStartupEntry("/usr/bin/lyrmessenger"), "lyrmessenger");
    EXPECT_EQ(ProgramForStartupEntry("/home/ann/lyr/build/src/main/lyrmessenger"),
              "/home/ann/lyr/build/src/main/lyrmessenger");
    const std::string entry = DesktopEntryText(ProgramForStartupEntry("/usr/bin/lyrmessenger"), {},
                                               "", kProgramIconName, kStartupEntryName);
    EXPECT_EQ(ValueOf(entry, "Exec"), "lyrmessenger");
    EXPECT_EQ(ValueOf(entry, "TryExec"), "lyrmessenger");
    EXPECT_EQ(ValueOf(entry, "Icon"), "lyrmessenger");
}

TEST(StartupEntry, CreatedInAFolderThatMayNotExistYetAndReplaced) {
    test::TempDir dir;
    const auto folder = dir / "config/autostart";
    CreateShortcut(folder, "/opt/lyr/first", {}, "", "", kStartupEntryName);
    const auto file = folder / "LyrMessenger.desktop";
    EXPECT_EQ(ValueOf(test::ReadFile(file), "Exec"), "/opt/lyr/first");
    CreateShortcut(folder, "/opt/lyr/second", {}, "", "", kStartupEntryName);
    EXPECT_EQ(ValueOf(test::ReadFile(file), "Exec"), "/opt/lyr/second");
    // Nothing but the entry is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);

    DeleteShortcut(folder, kStartupEntryName);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_NO_THROW(DeleteShortcut(folder, kStartupEntryName));
    EXPECT_NO_THROW(DeleteShortcut("", kStartupEntryName));
}

TEST(StartupEntry, FailuresAreErrors) {
    test::TempDir dir;
    EXPECT_THROW(CreateShortcut("", "/x", {}, "", "", kStartupEntryName), Exception);
    test::WriteFile(dir / "file", "");
    EXPECT_THROW(CreateShortcut(dir / "file", "/x", {}, "", "", kStartupEntryName), Exception);
    if (::geteuid() != 0) {  // root may write anywhere
        const auto locked = dir / "locked";
        std::filesystem::create_directory(locked);
        CreateShortcut(locked, "/x", {}, "", "", kStartupEntryName);
        ::chmod(locked.c_str(), 0500);
        EXPECT_THROW(DeleteShortcut(locked, kStartupEntryName), Exception);
        EXPECT_THROW(CreateShortcut(locked, "/y", {}, "", "", kStartupEntryName), Exception);
        ::chmod(locked.c_str(), 0700);
    }
}

}  // namespace
}  // namespace lyr
