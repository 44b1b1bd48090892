// SPDX-License-Identifier: GPL-3.0-or-later
#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <memory>

#include "platform/codepage.h"
#include "platform/error.h"

namespace lyr {
namespace {

struct IconvCloser {
    void operator()(iconv_t* handle) const {
        iconv_close(*handle);
        delete handle;
    }
};

}  // namespace

std::string ConvertText(std::string_view text, const std::string& from, const std::string& to) {
    if (text.empty() || from == to) {
        return std::string(text);
    }
    iconv_t raw = iconv_open(to.c_str(), from.c_str());
    if (raw == reinterpret_cast<iconv_t>(-1)) {
        throw Exception("Unknown code page conversion " + from + " -> " + to);
    }
    std::unique_ptr<iconv_t, IconvCloser> handle(new iconv_t(raw));

    std::string result;
    result.reserve(text.size() * 2);
    char* in = const_cast<char*>(text.data());
    size_t in_left = text.size();
    char buffer[4096];
    while (in_left > 0) {
        char* out = buffer;
        size_t out_left = sizeof buffer;
        size_t done = iconv(raw, &in, &in_left, &out, &out_left);
        result.append(buffer, out - buffer);
        if (done != static_cast<size_t>(-1)) {
            continue;
        }
        if (errno == E2BIG) {
            continue;
        }
        // EILSEQ (not representable or not valid) or EINVAL (incomplete at the end): one '?'
        // for the offending byte, then go on.
        result.push_back('?');
        ++in;
        --in_left;
        iconv(raw, nullptr, nullptr, nullptr, nullptr);
    }
    char* out = buffer;
    size_t out_left = sizeof buffer;
    iconv(raw, nullptr, nullptr, &out, &out_left);
    result.append(buffer, out - buffer);
    return result;
}

std::string LocaleCodeSet() {
    const char* codeset = nl_langinfo(CODESET);
    std::string name = codeset && *codeset ? codeset : "UTF-8";
    // The C locale reports plain ASCII; a terminal today understands UTF-8.
    if (name == "ANSI_X3.4-1968") {
        name = "UTF-8";
    }
    return name;
}

}  // namespace lyr
