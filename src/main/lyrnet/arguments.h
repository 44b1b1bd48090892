// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace lyr::cli {

// The arguments of one subcommand: positional words and "--name [value]" options. Which options
// take a value is told by the subcommand, so "--json" never swallows the next word.
class Arguments {
public:
    Arguments(const std::vector<std::string>& words, const std::set<std::string>& valued_options,
              const std::set<std::string>& flag_options);

    const std::vector<std::string>& Positional() const { return positional_; }
    bool Has(const std::string& option) const;
    std::optional<std::string> Value(const std::string& option) const;
    // An option's value as a non-negative integer; throws UsageError when it is not one.
    std::optional<long> Number(const std::string& option) const;

private:
    std::vector<std::string> positional_;
    std::vector<std::pair<std::string, std::string>> options_;
};

// A command line that does not fit the subcommand: lyrnet prints it with the usage and exits 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace lyr::cli
