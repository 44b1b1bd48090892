// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/user_data.h"

#include <locale.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <numeric>

#include "platform/codepage.h"

namespace lyr {
namespace {

// Case folding needs the Unicode tables, which the C locale lacks (towlower leaves Cyrillic
// alone there); C.UTF-8 has them whatever locale the user runs in.
locale_t FoldingLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return locale;
}

// The parts of a key between backslashes, each as case-folded wide text ready for wcscoll.
std::vector<std::wstring> CollationParts(std::string_view key) {
    const std::string raw = ConvertText(key, AnsiCodePage(), "WCHAR_T");
    std::wstring wide(raw.size() / sizeof(wchar_t), L'\0');
    std::memcpy(wide.data(), raw.data(), wide.size() * sizeof(wchar_t));
    const locale_t folding = FoldingLocale();
    for (wchar_t& character : wide) {
        character = folding
                        ? static_cast<wchar_t>(towlower_l(static_cast<wint_t>(character), folding))
                        : static_cast<wchar_t>(towlower(static_cast<wint_t>(character)));
    }
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (true) {
        const size_t end = wide.find(L'\\', start);
        parts.push_back(wide.substr(start, end - start));
        if (end == std::wstring::npos) {
            break;
        }
        start = end + 1;
    }
    return parts;
}

int CompareParts(const std::vector<std::wstring>& left, const std::vector<std::wstring>& right) {
    const size_t common = std::min(left.size(), right.size());
    for (size_t i = 0; i < common; ++i) {
        if (const int order = std::wcscoll(left[i].c_str(), right[i].c_str()); order != 0) {
            return order < 0 ? -1 : 1;
        }
    }
    return left.size() == right.size() ? 0 : (left.size() < right.size() ? -1 : 1);
}

}  // namespace

TUserData WholeNetworkEntry() {
    TUserData entry;
    entry.Name = Utf8ToAnsi("Вся сеть");
    entry.Kind = TUserData::kWholeNetwork;
    return entry;
}

std::string SortKey(const TUserData& entry) {
    if (entry.Kind < TUserData::kComputer) {
        return entry.Name + "\\";
    }
    return entry.Group + "\\" + entry.Name;
}

int CompareSortKeys(std::string_view left, std::string_view right) {
    return CompareParts(CollationParts(left), CollationParts(right));
}

void SortBySortKey(std::vector<TUserData>& entries) {
    std::vector<std::vector<std::wstring>> keys;
    keys.reserve(entries.size());
    for (const auto& entry : entries) {
        keys.push_back(CollationParts(SortKey(entry)));
    }
    std::vector<size_t> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return CompareParts(keys[a], keys[b]) < 0; });
    std::vector<TUserData> sorted;
    sorted.reserve(entries.size());
    for (size_t index : order) {
        sorted.push_back(std::move(entries[index]));
    }
    entries = std::move(sorted);
}

}  // namespace lyr
