// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/error.h"
#include "support/temp_dir.h"

namespace lyr {
namespace {

TEST(AtomicFile, ReplacesContentsAndLeavesNoTemporaryFiles) {
    test::TempDir dir;
    auto path = dir / "inbox.dat";
    WriteFileAtomically(path, "first, longer contents");
    WriteFileAtomically(path, "second");
    EXPECT_EQ(test::ReadFile(path), "second");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(AtomicFile, FailureLeavesTheOldFileAndReportsThePath) {
    test::TempDir dir;
    auto path = dir / "users.dat";
    WriteFileAtomically(path, "old");
    // A directory that refuses new files stands for a full or read-only disk.
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0500), 0);
    bool refused = geteuid() != 0;  // root writes anyway; then only the success path is seen
    if (refused) {
        try {
            WriteFileAtomically(path, "new");
            ADD_FAILURE() << "write into a read-only directory succeeded";
        } catch (const Exception& error) {
            EXPECT_NE(std::string(error.what()).find("users.dat"), std::string::npos);
        }
        EXPECT_EQ(test::ReadFile(path), "old");
    }
    ::chmod(dir.Path().c_str(), 0700);
    EXPECT_THROW(WriteFileAtomically(dir / "missing" / "file", "x"), Exception);
}

TEST(AtomicFile, ReadWholeFileTellsMissingFromEmpty) {
    test::TempDir dir;
    EXPECT_FALSE(ReadWholeFile(dir / "none").has_value());
    WriteFileAtomically(dir / "empty", "");
    ASSERT_TRUE(ReadWholeFile(dir / "empty").has_value());
    EXPECT_EQ(*ReadWholeFile(dir / "empty"), "");
    std::string binary("a\0\xFF", 3);
    WriteFileAtomically(dir / "binary", binary);
    EXPECT_EQ(*ReadWholeFile(dir / "binary"), binary);
    EXPECT_THROW(ReadWholeFile(dir.Path()), Exception);
}

TEST(AtomicFile, DamagedCopyKeepsTheOriginalBeside) {
    test::TempDir dir;
    WriteFileAtomically(dir / "inbox.dat", "damaged bytes");
    auto copy = KeepDamagedCopy(dir / "inbox.dat");
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(copy->filename(), "inbox.dat.bad");
    EXPECT_EQ(test::ReadFile(*copy), "damaged bytes");
}

}  // namespace
}  // namespace lyr
