// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace lyr::test {

// Collects what any thread writes to standard error while it lives (the descriptor itself is
// redirected, so the log sink's own writes are caught).
class StderrCapture {
public:
    StderrCapture() { testing::internal::CaptureStderr(); }
    ~StderrCapture() {
        if (!taken_) {
            testing::internal::GetCapturedStderr();
        }
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    std::string Take() {
        taken_ = true;
        return testing::internal::GetCapturedStderr();
    }

private:
    bool taken_ = false;
};

// How many lines of `text` hold `part`.
inline int LinesWith(std::string_view text, std::string_view part) {
    int count = 0;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (text.substr(begin, end - begin).find(part) != std::string_view::npos) {
            ++count;
        }
        begin = end + 1;
    }
    return count;
}

}  // namespace lyr::test
