#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/tick_count.h"

namespace lyr {

// Where a reply to the sender `last_sender` goes: a sender that names its computer in
// parentheses, "Ivan (PC1)", is answered at that computer, "PC1"; any other sender as it is.
// The text between the first and the second run of parentheses is taken, so a name that holds
// "(" without a word after it gives an empty address.
std::string ReplyAddress(const std::string& last_sender);

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

// At most one automatic answer to the same address within this time.
inline constexpr std::uint32_t kAnswerWindowMilliseconds = 30000;

// Keeps two programs that both answer automatically from answering each other's answers, and
// a flood of messages from getting as many answers. Addresses compare without case.
class AnswerThrottle {
public:
    explicit AnswerThrottle(TickSource tick) : tick_(std::move(tick)) {}

    // Whether an automatic answer may go to `address` now; if so, it counts as sent. A refused
    // answer does not count, so a steady stream still gets one answer per window.
    bool Allow(const std::string& address);

private:
    TickSource tick_;
    std::unordered_map<std::string, std::uint32_t> last_answer_;  // lower-cased address -> tick
};

}  // namespace lyr
