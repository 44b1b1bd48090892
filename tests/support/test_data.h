// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace lyr::test {

// A data file kept beside the tests, by its path below tests/ ("netbios/data/vectors.txt"). The
// folder is compiled in (tests/CMakeLists.txt), so a test run by hand finds its data as well as
// one run by CTest.
inline std::string TestDataPath(const std::string& below_tests) {
    return std::string(LYR_TESTS_SOURCE_DIR) + "/" + below_tests;
}

}  // namespace lyr::test
