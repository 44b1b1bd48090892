// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/lyrnet/arguments.h"

#include <charconv>

namespace lyr::cli {

Arguments::Arguments(const std::vector<std::string>& words,
                     const std::set<std::string>& valued_options,
                     const std::set<std::string>& flag_options) {
    bool options_ended = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (options_ended || word.size() < 3 || word.compare(0, 2, "--") != 0) {
            if (word == "--") {
                options_ended = true;
                continue;
            }
            positional_.push_back(word);
            continue;
        }
        std::string name = word.substr(2);
        std::string value;
        if (auto equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
            if (!valued_options.count(name)) {
                throw UsageError("option --" + name + " takes no value");
            }
        } else if (valued_options.count(name)) {
            if (i + 1 >= words.size()) {
                throw UsageError("option --" + name + " needs a value");
            }
            value = words[++i];
        } else if (!flag_options.count(name)) {
            throw UsageError("unknown option --" + name);
        }
        options_.emplace_back(name, value);
    }
}

bool Arguments::Has(const std::string& option) const {
    for (const auto& [name, value] : options_) {
        if (name == option) {
            return true;
        }
    }
    return false;
}

std::optional<std::string> Arguments::Value(const std::string& option) const {
    std::optional<std::string> result;
    for (const auto& [name, value] : options_) {
        if (name == option) {
            result = value;
        }
    }
    return result;
}

std::optional<long> Arguments::Number(const std::string& option) const {
    auto text = Value(option);
    if (!text) {
        return std::nullopt;
    }
    long number = 0;
    auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), number);
    if (error != std::errc() || end != text->data() + text->size() || number < 0) {
        throw UsageError("option --" + option + " needs a non-negative number, not \"" + *text +
                         "\"");
    }
    return number;
}

}  // namespace lyr::cli
