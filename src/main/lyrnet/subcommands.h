#pragma once

#include <string>
#include <vector>

namespace lyr::cli {

// Each subcommand lives in a file of its own beside this one.
int RunVersion(const std::vector<std::string>& words);
int RunSend(const std::vector<std::string>& words);
int RunListen(const std::vector<std::string>& words);

}  // namespace lyr::cli
