// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/ini_profile.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "base/ascii_case.h"
#include "base/log.h"
#include "base/text.h"
#include "platform/atomic_file.h"
#include "platform/error.h"

// The profile functions work on the file's lines as Windows' do: the first section and the
// first key of a name count, a write replaces only that one line (or adds one), and every other
// line, duplicates and comments included, stays as it was, line endings too. INI libraries
// rewrite the whole file from what they parsed (dropping duplicates, moving lines, losing a
// comment at the end), so these few rules are written out here.
namespace lyr {
namespace {

std::string Cut(std::string text) {
    if (text.size() > Profile::kMaximumValueLength) {
        text.resize(Profile::kMaximumValueLength);
    }
    return text;
}

// One line of the file: its text without the line ending, and the ending as it was.
struct Line {
    std::string_view text;
    std::string_view ending;
};

std::vector<Line> LinesWithEndings(std::string_view contents) {
    std::vector<Line> lines;
    while (!contents.empty()) {
        const size_t newline = contents.find('\n');
        std::string_view text = contents.substr(0, newline);
        std::string_view ending;
        if (newline != std::string_view::npos) {
            ending = contents.substr(newline, 1);
            if (!text.empty() && text.back() == '\r') {
                text.remove_suffix(1);
                ending = contents.substr(newline - 1, 2);
            }
        }
        if (newline == std::string_view::npos) {
            // A last line cut off after its CRs: they end it, so that an LF added there later
            // does not take one of them into a CR LF and change the line's text.
            while (!text.empty() && text.back() == '\r') {
                text.remove_suffix(1);
            }
            ending = contents.substr(text.size());
        }
        lines.push_back({text, ending});
        contents.remove_prefix(newline == std::string_view::npos ? contents.size() : newline + 1);
    }
    return lines;
}

// The name of a section header line "[name]", if the line is one.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    line.remove_prefix(1);
    return Trim(line.substr(0, line.find(']')));
}

// The lines of the first section named `section`: from the one after its header to the next
// header or the end.
std::optional<std::pair<size_t, size_t>> FindSection(const std::vector<Line>& lines,
                                                     std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(lines[i].text);
        if (name && EqualsIgnoringCase(*name, section)) {
            size_t end = i + 1;
            while (end < lines.size() && !SectionName(lines[end].text)) {
                ++end;
            }
            return std::pair{i + 1, end};
        }
    }
    return std::nullopt;
}

std::optional<std::string_view> KeyOf(std::string_view line) {
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(0, equals));
}

// The first line of the section that holds `key`.
std::optional<size_t> FindKey(const std::vector<Line>& lines, std::pair<size_t, size_t> section,
                              std::string_view key) {
    for (size_t i = section.first; i < section.second; ++i) {
        const auto name = KeyOf(lines[i].text);
        if (name && EqualsIgnoringCase(*name, key)) {
            return i;
        }
    }
    return std::nullopt;
}

// The value of a key line: blanks around it go, and so does a pair of quotes around it all.
std::string ValueOf(std::string_view line) {
    std::string_view value = Trim(line.substr(line.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

}  // namespace

std::string ReadProfileText(std::string_view contents, const std::string& section,
                            const std::string& key, const std::string& default_value) {
    const std::vector<Line> lines = LinesWithEndings(contents);
    if (const auto found = FindSection(lines, section)) {
        if (const auto line = FindKey(lines, *found, key)) {
            return Cut(ValueOf(lines[*line].text));
        }
    }
    return Cut(default_value);
}

std::string WriteProfileText(std::string_view contents, const std::string& section,
                             const std::string& key, const std::string& value) {
    std::string one_line = value;
    std::replace_if(
        one_line.begin(), one_line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    const std::string key_line = key + "=" + one_line;
    const std::string header = "[" + section + "]";
    std::vector<Line> lines = LinesWithEndings(contents);
    // New lines end as the file's first line does; a new file's lines end in CR LF.
    const std::string_view ending =
        !lines.empty() && lines.front().ending.ends_with('\n') ? lines.front().ending : "\r\n";
    if (!lines.empty() && !lines.back().ending.ends_with('\n')) {
        lines.back().ending = ending;
    }
    const auto found = FindSection(lines, section);
    if (!found) {
        lines.push_back({header, ending});
        lines.push_back({key_line, ending});
    } else if (const auto line = FindKey(lines, *found, key)) {
        lines[*line].text = key_line;
    } else {
        // After the section's last line that is not blank.
        size_t at = found->second;
        while (at > found->first && Trim(lines[at - 1].text).empty()) {
            --at;
        }
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), Line{key_line, ending});
    }
    std::string text;
    for (const Line& line : lines) {
        text.append(line.text).append(line.ending);
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

void IniProfile::CheckReadable() const {
    ReadWholeFile(file_);
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
