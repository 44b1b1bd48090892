// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/about_texts.h"

#include <gtest/gtest.h>

namespace lyr {
namespace {

TEST(AboutTexts, VersionReadsAsTheBuildsVersion) {
    EXPECT_EQ(VersionText(BuiltVersion()), "1.0.1 (Сборка 19)");
    EXPECT_EQ(VersionText(FileVersion{2, 10, 0, 345}), "2.10.0 (Сборка 345)");
    // A program without version information.
    EXPECT_EQ(VersionText(std::nullopt), "-1.0.0 (Сборка 0)");
}

TEST(AboutTexts, PhysicalMemoryIsRoundedUpToAnEvenNumberOfMegabytes) {
    constexpr std::uint64_t kMegabyte = 1048576;
    EXPECT_EQ(PhysicalMemoryMegabytes(255 * kMegabyte + 6 * kMegabyte / 10), 256u);
    EXPECT_EQ(PhysicalMemoryMegabytes(95 * kMegabyte), 96u);
    EXPECT_EQ(PhysicalMemoryMegabytes(128 * kMegabyte), 128u);
    EXPECT_EQ(PhysicalMemoryMegabytes(128 * kMegabyte + 1), 130u);
    EXPECT_EQ(PhysicalMemoryMegabytes(0), 0u);
    EXPECT_EQ(PhysicalMemoryMegabytes(16ull * 1024 * kMegabyte), 16384u);
    EXPECT_EQ(PhysicalMemoryText(95 * kMegabyte), "Физической памяти: 96 Mb");
}

TEST(AboutTexts, WindowsVersions) {
    EXPECT_EQ(WindowsVersionText({1, 4, 0, 950, ""}), "Windows 95");
    EXPECT_EQ(WindowsVersionText({1, 4, 10, 2222, " A "}), "Windows 98");
    EXPECT_EQ(WindowsVersionText({1, 4, 90, 3000, ""}), "Windows 98");
    EXPECT_EQ(WindowsVersionText({2, 4, 0, 1381, "Service Pack 6"}),
              "Windows NT 4.0 (Build 1381) Service Pack 6");
    // No service pack still leaves the blank after the build.
    EXPECT_EQ(WindowsVersionText({2, 3, 51, 1057, ""}), "Windows NT 3.51 (Build 1057) ");
    // Every NT version from 5.0 on reads as Windows 2000.
    EXPECT_EQ(WindowsVersionText({2, 5, 0, 2195, "Service Pack 4"}),
              "Windows 2000 (Build 2195) Service Pack 4");
    EXPECT_EQ(WindowsVersionText({2, 5, 1, 2600, "Service Pack 3"}),
              "Windows 2000 (Build 2600) Service Pack 3");
    EXPECT_EQ(WindowsVersionText({2, 10, 0, 19045, ""}), "Windows 2000 (Build 19045) ");
    // Another platform has no family name.
    EXPECT_EQ(WindowsVersionText({3, 4, 0, 7, ""}), "Windows  4.0 (Build 7) ");
}

TEST(AboutTexts, OsReleaseValuesLoseTheirQuotes) {
    const std::string text =
        "NAME=\"Debian GNU/Linux\"\n"
        "VERSION_ID=\"12\"\n"
        "ID=debian\n"
        "PRETTY_NAME='Debian 12'\n"
        "EXAMPLE=\"a \\\"quoted\\\" \\$word\"\n"
        "BROKEN=\"no end\n"
        "EMPTY=\n";
    EXPECT_EQ(OsReleaseValue(text, "NAME"), "Debian GNU/Linux");
    EXPECT_EQ(OsReleaseValue(text, "ID"), "debian");
    EXPECT_EQ(OsReleaseValue(text, "PRETTY_NAME"), "Debian 12");
    EXPECT_EQ(OsReleaseValue(text, "EXAMPLE"), "a \"quoted\" $word");
    EXPECT_EQ(OsReleaseValue(text, "BROKEN"), "no end");
    EXPECT_EQ(OsReleaseValue(text, "EMPTY"), "");
    EXPECT_EQ(OsReleaseValue(text, "VERSION"), std::nullopt);
    EXPECT_EQ(OsReleaseValue(text, "NAM"), std::nullopt);
}

TEST(AboutTexts, LinuxSystemNamesTheDistributionAndTheKernel) {
    SystemInformation system{"Linux", "6.1.0-18-amd64",
                             "NAME=\"Debian GNU/Linux\"\nVERSION=\"12 (bookworm)\"\n"
                             "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n",
                             0};
    EXPECT_EQ(LinuxSystemText(system), "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64");
    system.os_release = "NAME=Gentoo\nVERSION=2.15\n";
    EXPECT_EQ(LinuxSystemText(system), "Gentoo 2.15, Linux 6.1.0-18-amd64");
    system.os_release = "";
    EXPECT_EQ(LinuxSystemText(system), "Linux 6.1.0-18-amd64");
    EXPECT_EQ(LinuxSystemText({"", "", "PRETTY_NAME=Alpine", 0}), "Alpine");
}

TEST(AboutTexts, ThisComputersFactsAreThere) {
    const SystemInformation system = CurrentSystemInformation();
    EXPECT_EQ(system.kernel_name, "Linux");
    EXPECT_FALSE(system.kernel_release.empty());
    EXPECT_GT(system.physical_memory, 64ull * 1048576);
}

}  // namespace
}  // namespace lyr
