// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/codepage.h"

#include <cstdlib>

namespace lyr {
namespace {

std::string FromEnvironment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

}  // namespace

std::string AnsiCodePage() {
    return FromEnvironment("LYR_ANSI_CODEPAGE", "CP1251");
}
std::string OemCodePage() {
    return FromEnvironment("LYR_OEM_CODEPAGE", "CP866");
}

std::string OemToAnsi(std::string_view text) {
    return ConvertText(text, OemCodePage(), AnsiCodePage());
}
std::string AnsiToOem(std::string_view text) {
    return ConvertText(text, AnsiCodePage(), OemCodePage());
}
std::string AnsiToUtf8(std::string_view text) {
    return ConvertText(text, AnsiCodePage(), "UTF-8");
}
std::string Utf8ToAnsi(std::string_view text) {
    return ConvertText(text, "UTF-8", AnsiCodePage());
}

std::string AnsiToLocale(std::string_view text) {
    return ConvertText(text, AnsiCodePage(), LocaleCodeSet());
}
std::string LocaleToAnsi(std::string_view text) {
    return ConvertText(text, LocaleCodeSet(), AnsiCodePage());
}

}  // namespace lyr
