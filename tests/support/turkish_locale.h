// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <clocale>
#include <string>

namespace lyr::test {

// Switches the C library's character classes to Turkish in a single-byte code page for the life
// of the object, where the system has that locale (Debian: locales-all). There toupper('i') is
// not 'I' and tolower('I') is not 'i', so a name compared through them no longer matches itself
// in the other case. Without the locale the old one stays, and Active() says so.
class TurkishLocale {
public:
    TurkishLocale() {
        const char* old = std::setlocale(LC_CTYPE, nullptr);
        old_ = old != nullptr ? old : "C";
        for (const char* name : {"tr_TR.ISO-8859-9", "tr_TR"}) {
            if (std::setlocale(LC_CTYPE, name) != nullptr) {
                active_ = true;
                return;
            }
        }
    }
    ~TurkishLocale() { std::setlocale(LC_CTYPE, old_.c_str()); }
    TurkishLocale(const TurkishLocale&) = delete;
    TurkishLocale& operator=(const TurkishLocale&) = delete;

    bool Active() const { return active_; }

private:
    std::string old_;
    bool active_ = false;
};

}  // namespace lyr::test
