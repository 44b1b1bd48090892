// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace lyr::test {

// The UDP payload of a golden packet of data/vectors.txt, by its name ("messenger_unique").
std::string Vector(const std::string& name);
std::string FromHex(const std::string& hex);

}  // namespace lyr::test
