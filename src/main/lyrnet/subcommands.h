// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace lyr::cli {

// Each subcommand lives in a file of its own beside this one.
int RunVersion(const std::vector<std::string>& words);
int RunHistory(const std::vector<std::string>& words);

// `lyrnet history` printed a damaged store as far as it was whole (1 is any other failure).
constexpr int kHistoryDamagedExitCode = 3;
int RunNames(const std::vector<std::string>& words);
int RunSend(const std::vector<std::string>& words);
int RunListen(const std::vector<std::string>& words);
int RunScan(const std::vector<std::string>& words);
int RunDoctor(const std::vector<std::string>& words);
// The requests to the running messenger of this user.
int RunStatus(const std::vector<std::string>& words);
int RunShow(const std::vector<std::string>& words);
int RunHide(const std::vector<std::string>& words);

}  // namespace lyr::cli
