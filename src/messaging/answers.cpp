// SPDX-License-Identifier: GPL-3.0-or-later
#include "messaging/answers.h"

#include <algorithm>
#include <vector>

#include "base/ascii_case.h"
#include "base/text.h"
#include "platform/codepage.h"

namespace lyr {
namespace {

// The words of `text` between runs of the characters of `delimiters`, empty words skipped.
std::vector<std::string> SplitWords(const std::string& text, std::string_view delimiters) {
    std::vector<std::string> words;
    size_t start = text.find_first_not_of(delimiters);
    while (start != std::string::npos) {
        const size_t end = text.find_first_of(delimiters, start);
        words.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? end : text.find_first_not_of(delimiters, end);
    }
    return words;
}

std::string BusyMarker() {
    return Utf8ToAnsi(" занят, он оставил сообщение:");
}

std::string AutoReplyMarker() {
    return Utf8ToAnsi(" в режиме автоответа.");
}

}  // namespace

std::string ReplyAddress(const std::string& last_sender) {
    if (last_sender.find('(') == std::string::npos) {
        return last_sender;
    }
    const std::vector<std::string> words = SplitWords(last_sender, "()");
    return words.size() >= 2 ? words[1] : std::string();
}

bool AnswerMayGoTo(const std::string& address, const std::vector<TUserData>& user_list,
                   const std::string& workgroup) {
    if (address.empty() || address == "*" || EqualsIgnoringCase(address, workgroup)) {
        return false;
    }
    return std::none_of(user_list.begin(), user_list.end(), [&](const TUserData& entry) {
        return entry.Kind != TUserData::kWholeNetwork && EqualsIgnoringCase(address, entry.Group);
    });
}

std::string BusyAnswer(const std::string& nik, const std::string& busy_text) {
    return nik + BusyMarker() + "\r\n" + busy_text;
}

std::string AutoReplyLine(const std::string& nik, const std::string& reply_text) {
    return nik + AutoReplyMarker() + "\r\n" + reply_text;
}

bool IsAutomaticAnswer(std::string_view text) {
    const std::vector<std::string_view> lines = SplitLines(text);
    if (lines.empty()) {
        return false;
    }
    if (lines.front().ends_with(BusyMarker())) {
        return true;
    }
    for (std::string_view line : lines) {
        if (!line.starts_with('>')) {
            return line.ends_with(AutoReplyMarker());
        }
    }
    return true;
}

bool AnswerThrottle::Allow(const std::string& address) {
    const std::uint32_t now = tick_();
    while (!answers_.empty() &&
           static_cast<std::uint32_t>(now - answers_.front().tick) >= kAnswerWindowMilliseconds) {
        answers_.pop_front();
    }
    std::string key = ToLowerAscii(address);
    const auto to_address =
        std::count_if(answers_.begin(), answers_.end(),
                      [&](const Answer& answer) { return answer.address == key; });
    if (answers_.size() >= kAnswersInAll || static_cast<size_t>(to_address) >= kAnswersPerAddress) {
        return false;
    }
    answers_.push_back({std::move(key), now});
    return true;
}

}  // namespace lyr
