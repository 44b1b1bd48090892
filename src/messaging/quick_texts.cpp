// SPDX-License-Identifier: GPL-3.0-or-later
#include "messaging/quick_texts.h"

#include "base/text.h"
#include "platform/atomic_file.h"

namespace lyr {

std::vector<std::string> LoadQuickTexts(const std::filesystem::path& path) {
    const auto contents = ReadWholeFile(path);
    if (!contents) {
        return {};
    }
    std::vector<std::string> lines;
    for (std::string_view line : SplitLines(*contents)) {
        lines.emplace_back(line);
    }
    return lines;
}

void SaveQuickTexts(const std::filesystem::path& path, const std::vector<std::string>& lines) {
    std::string contents;
    for (size_t i = 0; i < kQuickTextCount; ++i) {
        if (i < lines.size()) {
            contents += lines[i].substr(0, lines[i].find_first_of("\r\n"));
        }
        contents += "\r\n";
    }
    WriteFileAtomically(path, contents);
}

}  // namespace lyr
