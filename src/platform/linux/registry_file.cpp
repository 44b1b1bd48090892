// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/registry_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>

#include "base/ascii_case.h"
#include "base/log.h"
#include "base/text.h"
#include "platform/atomic_file.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/user_directories.h"

namespace lyr {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kUtf8Signature = "\xEF\xBB\xBF";
constexpr std::uint32_t kExpandableStringType = 2;
constexpr std::uint32_t kDwordType = 4;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::optional<unsigned> HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return std::nullopt;
}

// Reads 1 to `max_digits` hex digits from the front of `text`.
std::optional<std::uint32_t> TakeHex(std::string_view& text, size_t max_digits) {
    std::uint32_t value = 0;
    size_t digits = 0;
    while (digits < text.size() && HexDigit(text[digits])) {
        if (++digits > max_digits) {
            return std::nullopt;
        }
        value = value * 16 + *HexDigit(text[digits - 1]);
    }
    if (digits == 0) {
        return std::nullopt;
    }
    text.remove_prefix(digits);
    return value;
}

std::string Escape(std::string_view text) {
    std::string result;
    result.reserve(text.size() + 2);
    for (char c : text) {
        switch (c) {
            case '\\':
                result += "\\\\";
                break;
            case '"':
                result += "\\\"";
                break;
            case '\n':
                result += "\\n";
                break;
            case '\r':
                result += "\\r";
                break;
            case '\0':
                result += "\\0";
                break;
            default:
                result += c;
        }
    }
    return result;
}

class Parser {
public:
    Parser(std::string_view contents, std::string_view key_path, const std::string& file_name)
        : rest_(contents), key_path_(key_path), file_name_(file_name) {
        if (rest_.substr(0, kUtf8Signature.size()) == kUtf8Signature) {
            rest_.remove_prefix(kUtf8Signature.size());
        }
    }

    RegistryValueTable Run() {
        RegistryValueTable values;
        bool header_seen = false;
        bool in_key = false;
        while (NextLine()) {
            std::string_view line = Trim(line_);
            if (line.empty() || line.front() == ';') {
                continue;
            }
            if (!header_seen) {
                if (line != kHeader) {
                    Fail("expected \"" + std::string(kHeader) + "\"");
                }
                header_seen = true;
            } else if (line.front() == '[') {
                if (line.back() != ']' ||
                    !EqualsIgnoringCase(line.substr(1, line.size() - 2), key_path_)) {
                    Fail("expected the key [" + std::string(key_path_) + "]");
                }
                in_key = true;
            } else if (line.front() == '"') {
                if (!in_key) {
                    Fail("a value before the key line");
                }
                // A later line for the same value wins, as on import.
                values.Put(ParseValue(line));
            } else {
                Fail("expected \"Name\"=value");
            }
        }
        return values;
    }

private:
    bool NextLine() {
        if (rest_.empty()) {
            return false;
        }
        size_t end = rest_.find('\n');
        line_ = rest_.substr(0, end);
        rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
        if (!line_.empty() && line_.back() == '\r') {
            line_.remove_suffix(1);
        }
        ++line_number_;
        return true;
    }

    [[noreturn]] void Fail(const std::string& reason) const {
        throw Exception("Damaged settings file " + file_name_ + ", line " +
                        std::to_string(line_number_) + ": " + reason);
    }

    // `text` starts at the opening quote; leaves it after the closing one.
    std::string ParseQuoted(std::string_view& text) const {
        std::string result;
        for (size_t i = 1; i < text.size(); ++i) {
            char c = text[i];
            if (c == '"') {
                text.remove_prefix(i + 1);
                return result;
            }
            if (c != '\\') {
                result += c;
                continue;
            }
            if (++i == text.size()) {
                break;
            }
            switch (text[i]) {
                case '\\':
                    result += '\\';
                    break;
                case '"':
                    result += '"';
                    break;
                case 'n':
                    result += '\n';
                    break;
                case 'r':
                    result += '\r';
                    break;
                case '0':
                    result += '\0';
                    break;
                default:
                    Fail(std::string("unknown escape \\") + text[i]);
            }
        }
        Fail("a text without its closing quote");
    }

    RegistryValue ParseValue(std::string_view text) {
        RegistryValue value;
        value.name = ParseQuoted(text);
        text = Trim(text);
        if (text.empty() || text.front() != '=') {
            Fail("expected = after the value name");
        }
        text = Trim(text.substr(1));
        if (!text.empty() && text.front() == '"') {
            value.kind = RegistryValue::Kind::String;
            value.text = ParseQuoted(text);
        } else if (StartsWithNoCase(text, "dword:")) {
            text.remove_prefix(6);
            auto number = TakeHex(text, 8);
            if (!number) {
                Fail("a dword needs 1 to 8 hex digits");
            }
            value.kind = RegistryValue::Kind::Dword;
            value.dword = *number;
        } else if (StartsWithNoCase(text, "hex")) {
            text.remove_prefix(3);
            value.kind = RegistryValue::Kind::Hex;
            value.hex_type = ParseHexType(text);
            value.bytes = ParseHexBytes(text);
        } else {
            Fail("unknown value type");
        }
        if (!Trim(text).empty()) {
            Fail("unexpected text after the value");
        }
        return value;
    }

    // "(N):" or ":" after "hex".
    std::uint32_t ParseHexType(std::string_view& text) const {
        std::uint32_t type = 3;
        if (!text.empty() && text.front() == '(') {
            text.remove_prefix(1);
            auto number = TakeHex(text, 8);
            if (!number || text.empty() || text.front() != ')') {
                Fail("a hex type needs 1 to 8 hex digits in parentheses");
            }
            text.remove_prefix(1);
            type = *number;
        }
        if (text.empty() || text.front() != ':') {
            Fail("expected : after hex");
        }
        text.remove_prefix(1);
        return type;
    }

    // Comma-separated bytes; a backslash at the end of a line continues the list on the next.
    std::string ParseHexBytes(std::string_view& text) {
        std::string bytes;
        while (true) {
            text = Trim(text);
            if (text == "\\") {
                if (!NextLine()) {
                    Fail("hex data continued past the end of the file");
                }
                text = line_;
                continue;
            }
            if (text.empty()) {
                return bytes;
            }
            auto byte = TakeHex(text, 2);
            if (!byte) {
                Fail("expected a hex byte");
            }
            bytes += static_cast<char>(*byte);
            text = Trim(text);
            if (!text.empty() && text.front() == ',') {
                text.remove_prefix(1);
            } else if (!text.empty() && text != "\\") {
                Fail("expected , between hex bytes");
            }
        }
    }

    std::string_view rest_;
    std::string_view line_;
    size_t line_number_ = 0;
    std::string_view key_path_;
    const std::string& file_name_;
};

std::string FormatValue(const RegistryValue& value) {
    std::string line = "\"" + Escape(value.name) + "\"=";
    switch (value.kind) {
        case RegistryValue::Kind::String:
            line += "\"" + Escape(value.text) + "\"";
            break;
        case RegistryValue::Kind::Dword: {
            char digits[16];
            std::snprintf(digits, sizeof digits, "dword:%08x", value.dword);
            line += digits;
            break;
        }
        case RegistryValue::Kind::Hex: {
            char digits[16];
            if (value.hex_type == 3) {
                line += "hex:";
            } else {
                std::snprintf(digits, sizeof digits, "hex(%x):", value.hex_type);
                line += digits;
            }
            for (size_t i = 0; i < value.bytes.size(); ++i) {
                std::snprintf(digits, sizeof digits, i == 0 ? "%02x" : ",%02x",
                              static_cast<unsigned char>(value.bytes[i]));
                line += digits;
            }
            break;
        }
    }
    return line + "\n";
}

// An expandable string is UTF-16LE up to its terminating NUL.
std::string DecodeExpandableString(const std::string& bytes) {
    size_t length = 0;
    while (length + 1 < bytes.size() && (bytes[length] != 0 || bytes[length + 1] != 0)) {
        length += 2;
    }
    return ConvertText(std::string_view(bytes).substr(0, std::min(length, bytes.size())),
                       "UTF-16LE", "UTF-8");
}

}  // namespace

void RegistryValueTable::Put(RegistryValue value) {
    const auto [at, added] = positions_.try_emplace(ToLowerAscii(value.name), values_.size());
    if (added) {
        values_.push_back(std::move(value));
    } else {
        RegistryValue& known = values_[at->second];
        value.name = std::move(known.name);
        known = std::move(value);
    }
}

const RegistryValue* RegistryValueTable::Find(std::string_view name) const {
    const auto at = positions_.find(ToLowerAscii(name));
    return at == positions_.end() ? nullptr : &values_[at->second];
}

std::vector<RegistryValue> ParseRegistryFile(std::string_view contents, std::string_view key_path,
                                             const std::string& file_name) {
    return Parser(contents, key_path, file_name).Run().TakeValues();
}

std::string FormatRegistryFile(const std::vector<RegistryValue>& values,
                               std::string_view key_path) {
    std::string text = std::string(kHeader) + "\n\n[" + std::string(key_path) + "]\n";
    for (const RegistryValue& value : values) {
        text += FormatValue(value);
    }
    text += "\n";
    return text;
}

RegistryFile::RegistryFile(std::filesystem::path file, std::string key_path)
    : file_(std::move(file)), key_path_(std::move(key_path)) {
    Load();
}

std::optional<RegistryFile::Stamp> RegistryFile::CurrentStamp() const {
    struct stat status {};
    if (::stat(file_.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return Stamp{};
        }
        return std::nullopt;
    }
    auto nanoseconds = [](const timespec& time) {
        return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
    };
    return Stamp{true,
                 static_cast<std::uint64_t>(status.st_dev),
                 static_cast<std::uint64_t>(status.st_ino),
                 static_cast<std::uint64_t>(status.st_size),
                 nanoseconds(status.st_mtim),
                 nanoseconds(status.st_ctim)};
}

const RegistryValueTable& RegistryFile::Load() const {
    if (file_.empty()) {
        return values_;
    }
    const std::optional<Stamp> now = CurrentStamp();
    if (now && now == loaded_) {
        return values_;
    }
    loaded_.reset();
    std::optional<std::string> contents = ReadWholeFile(file_);
    values_ = contents ? Parser(*contents, key_path_, file_.string()).Run() : RegistryValueTable();
    loaded_ = now;
    return values_;
}

const RegistryValue& RegistryFile::Find(const std::string& name) const {
    const RegistryValue* found = Load().Find(name);
    if (!found) {
        throw Exception(FormatMessage1(kFailedToGetData, name));
    }
    return *found;
}

bool RegistryFile::ValueExists(const std::string& name) const {
    return Load().Find(name) != nullptr;
}

std::string RegistryFile::ReadString(const std::string& name) const {
    const RegistryValue& value = Find(name);
    if (value.kind == RegistryValue::Kind::String) {
        return value.text;
    }
    if (value.kind == RegistryValue::Kind::Hex && value.hex_type == kExpandableStringType) {
        return DecodeExpandableString(value.bytes);
    }
    throw Exception(FormatMessage1(kInvalidDataType, name));
}

std::int32_t RegistryFile::ReadInteger(const std::string& name) const {
    const RegistryValue& value = Find(name);
    if (value.kind == RegistryValue::Kind::Dword) {
        return static_cast<std::int32_t>(value.dword);
    }
    if (value.kind == RegistryValue::Kind::Hex && value.hex_type == kDwordType &&
        value.bytes.size() == 4) {
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i) {
            number = number << 8 | static_cast<unsigned char>(value.bytes[i]);
        }
        return static_cast<std::int32_t>(number);
    }
    throw Exception(FormatMessage1(kInvalidDataType, name));
}

void RegistryFile::WriteString(const std::string& name, const std::string& value) {
    RegistryValue stored;
    stored.name = name;
    stored.kind = RegistryValue::Kind::String;
    stored.text = value;
    Store(std::move(stored));
}

void RegistryFile::WriteInteger(const std::string& name, std::int32_t value) {
    RegistryValue stored;
    stored.name = name;
    stored.kind = RegistryValue::Kind::Dword;
    stored.dword = static_cast<std::uint32_t>(value);
    Store(std::move(stored));
}

void RegistryFile::Store(RegistryValue value) {
    const std::string name = value.name;
    if (file_.empty()) {
        throw Exception(FormatMessage1(kFailedToSetData, name));
    }
    // A damaged file is reported as such rather than replaced with the one value.
    Load();
    values_.Put(std::move(value));
    loaded_.reset();  // until the file holds the value too
    try {
        // Settings are the user's own, as the data folder is.
        MakeUserDirectories(file_.parent_path().string());
        WriteFileAtomically(file_, FormatRegistryFile(values_.Values(), key_path_),
                            FileAccess::Private);
    } catch (const Exception&) {
        // The message shown names the value only; the reason goes here.
        LogCaughtException(LogSeverity::Error, "platform", "The settings file was not written");
        throw Exception(FormatMessage1(kFailedToSetData, name));
    }
    loaded_ = CurrentStamp();
}

std::unique_ptr<RegistryKey> OpenCurrentUserKey(const std::string& subkey,
                                                const SpecialFolders& folders) {
    const std::string key_path = "HKEY_CURRENT_USER\\" + subkey;
    if (folders.config.empty()) {
        return std::make_unique<RegistryFile>(std::filesystem::path(), key_path);
    }
    // "Software\Zendry\Messenger\1.0" lives in CONFIG/Zendry/Messenger/1.0.reg.
    std::string_view rest = subkey;
    if (StartsWithNoCase(rest, "Software\\")) {
        rest.remove_prefix(9);
    }
    std::filesystem::path file = folders.config;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = std::min(rest.find('\\', start), rest.size());
        if (end > start) {
            file /= std::string(rest.substr(start, end - start));
        }
        start = end + 1;
    }
    file += ".reg";
    return std::make_unique<RegistryFile>(std::move(file), key_path);
}

}  // namespace lyr
