// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "contacts/user_data.h"
#include "platform/tick_count.h"

namespace lyr {

// Where a reply to the sender `last_sender` goes: a sender that names its computer in
// parentheses, "Ivan (PC1)", is answered at that computer, "PC1"; any other sender as it is.
// The text between the first and the second run of parentheses is taken, so a name that holds
// "(" without a word after it gives an empty address.
std::string ReplyAddress(const std::string& last_sender);

// Whether an automatic answer may go to `address`: not to an empty one, and never to a group,
// since a sender that names "*", our workgroup or a group of the user list as its computer would
// have every computer there answered with its text quoted.
bool AnswerMayGoTo(const std::string& address, const std::vector<TUserData>& user_list,
                   const std::string& workgroup);

// The automatic answers, in the ANSI code page.
// Busy: "<Nik> занят, он оставил сообщение:\r\n<BusyText>".
std::string BusyAnswer(const std::string& nik, const std::string& busy_text);
// The line added after the quoted message: "<Nik> в режиме автоответа.\r\n<ReplyText>".
std::string AutoReplyLine(const std::string& nik, const std::string& reply_text);

// Whether a received text (ANSI, trailing line breaks removed) is an automatic answer of a copy
// of this program, which must not be answered again. A busy answer's first line ends in
// " занят, он оставил сообщение:". An auto-reply holds quoted lines (each begins with ">"),
// then a line ending in " в режиме автоответа."; a long one cut to the 400 characters of the
// wire may have lost that line and hold quoted lines only.
bool IsAutomaticAnswer(std::string_view text);

// The bounds of automatic answers within a sliding window. Nobody typing by hand sends one
// address ten messages a minute, so a person always gets an answer per message; a flood, or a
// peer whose own automatic answers are not recognised, gets ten a minute at most, and all
// senders together thirty.
inline constexpr std::uint32_t kAnswerWindowMilliseconds = 60000;
inline constexpr size_t kAnswersPerAddress = 10;
inline constexpr size_t kAnswersInAll = 30;

// Bounds the automatic answers a flood of messages, or another program that answers each answer,
// can draw out. Addresses compare without case.
class AnswerThrottle {
public:
    explicit AnswerThrottle(TickSource tick) : tick_(std::move(tick)) {}

    // Whether an automatic answer may go to `address` now; if so, it counts as sent. A refused
    // answer does not count.
    bool Allow(const std::string& address);

private:
    struct Answer {
        std::string address;  // lower-cased
        std::uint32_t tick = 0;
    };
    TickSource tick_;
    std::deque<Answer> answers_;  // within the window, oldest first; at most kAnswersInAll
};

}  // namespace lyr
