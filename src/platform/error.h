// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace lyr {

// The program's general error class: what reaches the message loop uncaught is shown by the
// default error report with this message.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Formats a message that holds one "%s" with the given argument in its place.
std::string FormatMessage1(const std::string& format, const std::string& argument);

}  // namespace lyr
