// SPDX-License-Identifier: GPL-3.0-or-later
#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <map>
#include <memory>
#include <utility>

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
using Converter = std::unique_ptr<iconv_t, IconvCloser>;

// A converter is opened once per thread and pair, and kept: opening one loads tables from disk,
// which is slow on the receive path and impossible once the descriptors have run out. A
// converter is not shared between threads, as iconv's state is its own.
struct Converters {
    std::map<std::pair<std::string, std::string>, Converter> open;
    ~Converters();
};
// Code that runs after the thread's converters are gone (destructors of statics at exit)
// converts with a converter of its own, as each conversion once did.
thread_local bool t_converters_gone = false;
Converters::~Converters() {
    t_converters_gone = true;
}

// The thread's converter, or null when the thread's converters are gone.
iconv_t KeptConverter(const std::string& from, const std::string& to) {
    if (t_converters_gone) {
        return nullptr;
    }
    thread_local Converters converters;
    auto found = converters.open.find({from, to});
    if (found != converters.open.end()) {
        iconv(*found->second, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        return *found->second;
    }
    iconv_t raw = iconv_open(to.c_str(), from.c_str());
    if (raw == reinterpret_cast<iconv_t>(-1)) {
        throw Exception("Unknown code page conversion " + from + " -> " + to);
    }
    converters.open.emplace(std::pair{from, to}, Converter(new iconv_t(raw)));
    return raw;
}

}  // namespace

std::string ConvertText(std::string_view text, const std::string& from, const std::string& to) {
    if (text.empty() || from == to) {
        return std::string(text);
    }
    Converter own;
    iconv_t raw = KeptConverter(from, to);
    if (raw == nullptr) {
        raw = iconv_open(to.c_str(), from.c_str());
        if (raw == reinterpret_cast<iconv_t>(-1)) {
            throw Exception("Unknown code page conversion " + from + " -> " + to);
        }
        own.reset(new iconv_t(raw));
    }

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
