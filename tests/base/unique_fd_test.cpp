// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/unique_fd.h"

#include <fcntl.h>
#include <gtest/gtest.h>

namespace lyr {
namespace {

bool IsOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

TEST(UniqueFdTest, TheLastOwnerClosesOnceAndAReleasedDescriptorStaysOpen) {
    int pipe_ends[2];
    ASSERT_EQ(::pipe(pipe_ends), 0);
    const int read_end = pipe_ends[0];
    const int write_end = pipe_ends[1];
    {
        UniqueFd first(read_end);
        UniqueFd second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(second.get(), read_end);
        UniqueFd third;
        third = std::move(second);
        EXPECT_TRUE(IsOpen(read_end));
    }
    EXPECT_FALSE(IsOpen(read_end));

    UniqueFd owner(write_end);
    EXPECT_EQ(owner.release(), write_end);
    owner.reset();
    EXPECT_TRUE(IsOpen(write_end));
    owner.reset(write_end);
    EXPECT_EQ(owner.close(), 0);
    EXPECT_FALSE(IsOpen(write_end));
    EXPECT_EQ(owner.close(), 0) << "nothing is closed twice";
}

}  // namespace
}  // namespace lyr
