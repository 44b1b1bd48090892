// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/kept_browse_list.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>

#include "netbios/interfaces.h"

namespace lyr::netbios {
namespace {

constexpr std::string_view kHeader = "lyr browse list 1";
// No entry lives longer than three periods of 15 minutes: anything older is only passed over,
// and the bound keeps the sums below from overflowing on a damaged file.
constexpr std::chrono::milliseconds kOldest = std::chrono::hours(24);
constexpr long long kLatestSeconds = 1LL << 40;

bool IsEscaped(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F || byte == '%';
}

std::string Escaped(std::string_view text) {
    std::string result;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (IsEscaped(byte)) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            result += hex;
        } else {
            result += c;
        }
    }
    return result;
}

std::optional<std::string> Unescaped(std::string_view text) {
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            result += text[i];
            continue;
        }
        unsigned byte = 0;
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        auto [end, error] = std::from_chars(text.data() + i + 1, text.data() + i + 3, byte, 16);
        if (error != std::errc() || end != text.data() + i + 3) {
            return std::nullopt;
        }
        result += static_cast<char>(byte);
        i += 2;
    }
    return result;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) {
            return fields;
        }
        line.remove_prefix(tab + 1);
    }
}

template <typename Number>
std::optional<Number> NumberOf(std::string_view text, int base = 10) {
    Number value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::chrono::milliseconds> MillisecondsOf(std::string_view text) {
    auto value = NumberOf<long long>(text);
    if (!value || *value < 0 || *value > kOldest.count()) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(*value);
}

std::optional<HeardEntry> EntryOf(const std::vector<std::string_view>& fields) {
    HeardEntry entry;
    std::optional<std::chrono::milliseconds> periodicity, age;
    if (fields.size() == 4 && fields[0] == "workgroup") {
        entry.computer.workgroup = fields[1];
        periodicity = MillisecondsOf(fields[2]);
        age = MillisecondsOf(fields[3]);
    } else if (fields.size() == 8 && fields[0] == "computer") {
        auto server_type = NumberOf<uint32_t>(fields[3], 16);
        auto address = ParseAddress(std::string(fields[4]));
        auto comment = Unescaped(fields[7]);
        if (!server_type || !address || !comment || fields[2].empty()) {
            return std::nullopt;
        }
        entry.computer = {std::string(fields[1]), std::string(fields[2]), *server_type,
                          std::move(*comment), *address};
        periodicity = MillisecondsOf(fields[5]);
        age = MillisecondsOf(fields[6]);
    }
    if (!periodicity || !age || entry.computer.workgroup.empty()) {
        return std::nullopt;
    }
    entry.periodicity = *periodicity;
    entry.age = *age;
    return entry;
}

}  // namespace

std::string KeptBrowseListText(const std::vector<HeardEntry>& entries,
                               std::chrono::system_clock::time_point written) {
    auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(written.time_since_epoch()).count();
    std::string text = std::string(kHeader) + "\nwritten\t" + std::to_string(seconds) + "\n";
    for (const auto& entry : entries) {
        const BrowseComputer& computer = entry.computer;
        const std::string times =
            std::to_string(entry.periodicity.count()) + "\t" + std::to_string(entry.age.count());
        if (computer.name.empty()) {
            text += "workgroup\t" + computer.workgroup + "\t" + times + "\n";
            continue;
        }
        char type[9];
        std::snprintf(type, sizeof type, "%08X", computer.server_type);
        text += "computer\t" + computer.workgroup + "\t" + computer.name + "\t" + type + "\t" +
                FormatAddress(computer.address) + "\t" + times + "\t" + Escaped(computer.comment) +
                "\n";
    }
    return text;
}

std::vector<HeardEntry> ParseKeptBrowseList(std::string_view text,
                                            std::chrono::system_clock::time_point now) {
    std::vector<HeardEntry> entries;
    std::optional<std::chrono::milliseconds> since_written;
    size_t line_number = 0;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        auto fields = Fields(line);
        if (line_number++ == 0) {
            if (line != kHeader) {
                return {};  // not a list of ours, or of a format to come
            }
        } else if (fields.size() == 2 && fields[0] == "written") {
            if (auto seconds = NumberOf<long long>(fields[1]);
                seconds && *seconds >= 0 && *seconds < kLatestSeconds) {
                auto written =
                    std::chrono::system_clock::time_point(std::chrono::seconds(*seconds));
                since_written =
                    std::clamp(std::chrono::duration_cast<std::chrono::milliseconds>(now - written),
                               std::chrono::milliseconds(0), kOldest);
            }
        } else if (auto entry = EntryOf(fields); entry && since_written) {
            entry->age += *since_written;
            entries.push_back(std::move(*entry));
        }
    }
    return entries;
}

}  // namespace lyr::netbios
