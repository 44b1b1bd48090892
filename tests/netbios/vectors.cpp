// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/vectors.h"

#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "support/test_data.h"

namespace lyr::test {
namespace {

std::map<std::string, std::string> LoadVectors() {
    const std::string path = TestDataPath("netbios/data/vectors.txt");
    std::ifstream file(path);
    if (!file) {
        throw std::runtime_error("cannot read " + path);
    }
    std::map<std::string, std::string> vectors;
    std::string line;
    std::string name;
    while (std::getline(file, line)) {
        if (line.rfind("# ", 0) == 0) {
            std::istringstream words(line.substr(2));
            std::string number;
            words >> number >> name;
        } else if (!line.empty() && !name.empty()) {
            vectors[name] = FromHex(line);
            name.clear();
        }
    }
    return vectors;
}

}  // namespace

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::string Vector(const std::string& name) {
    static const auto vectors = LoadVectors();
    auto found = vectors.find(name);
    if (found == vectors.end()) {
        throw std::runtime_error("no vector " + name);
    }
    return found->second;
}

}  // namespace lyr::test
