#include "platform/linux/ini_profile.h"

#include <algorithm>
#include <optional>

// The identity file is in the ANSI code page: SimpleIni treats it as plain bytes. Debian's
// header keeps the template definitions behind SI_IMPLEMENTATION (its shared library is built
// for ICU conversion), so they are compiled here.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/log.h"

namespace lyr {
namespace {

std::string Cut(std::string text) {
    if (text.size() > Profile::kMaximumValueLength) {
        text.resize(Profile::kMaximumValueLength);
    }
    return text;
}

// Case-insensitive names, one value per key, no multi-line values, "key=value" lines like
// the Windows profile functions write.
class Ini {
public:
    explicit Ini(std::string_view contents) : ini_(false, false, false) {
        ini_.SetSpaces(false);
        if (!contents.empty() && ini_.LoadData(contents.data(), contents.size()) < 0) {
            throw Exception("The profile text cannot be parsed");
        }
    }

    CSimpleIniA& operator*() { return ini_; }
    CSimpleIniA* operator->() { return &ini_; }

private:
    CSimpleIniA ini_;
};

}  // namespace

std::string ReadProfileText(std::string_view contents, const std::string& section,
                            const std::string& key, const std::string& default_value) {
    Ini ini(contents);
    const char* value = ini->GetValue(section.c_str(), key.c_str(), nullptr);
    return Cut(value ? value : default_value);
}

std::string WriteProfileText(std::string_view contents, const std::string& section,
                             const std::string& key, const std::string& value) {
    Ini ini(contents);
    std::string line = value;
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    std::string text;
    if (ini->SetValue(section.c_str(), key.c_str(), line.c_str()) < 0 || ini->Save(text) < 0) {
        throw Exception("The profile text cannot be written");
    }
    return text;
}

std::string IniProfile::ReadString(const std::string& section, const std::string& key,
                                   const std::string& default_value) const {
    std::optional<std::string> contents;
    try {
        contents = ReadWholeFile(file_);
    } catch (const Exception&) {
        // An unreadable file reads like a missing one, as with the profile functions.
        LogCaughtException(LogSeverity::Warning, "platform", "The profile reads as empty");
    }
    return ReadProfileText(contents.value_or(std::string()), section, key, default_value);
}

void IniProfile::WriteString(const std::string& section, const std::string& key,
                             const std::string& value) {
    try {
        // An unreadable file is not replaced with only this key.
        std::optional<std::string> contents = ReadWholeFile(file_);
        WriteFileAtomically(
            file_, WriteProfileText(contents.value_or(std::string()), section, key, value));
    } catch (const Exception&) {
        // The message shown names the file only; the reason goes here.
        LogCaughtException(LogSeverity::Error, "platform", "The profile was not written");
        throw Exception(FormatMessage1(kUnableToWriteTo, file_.string()));
    }
}

}  // namespace lyr
