// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of the automatic answers, pane lines and the window's tile grid.
#include "messaging/answers.h"

#include <gtest/gtest.h>

#include "messaging/pane_text.h"
#include "messaging/window_layout.h"
#include "platform/codepage.h"

namespace lyr {
namespace {

std::string Ansi(const std::string& utf8) {
    return Utf8ToAnsi(utf8);
}

TEST(ReplyAddressTest, TheComputerInParenthesesIsAnswered) {
    EXPECT_EQ(ReplyAddress("Ivan (PC1)"), "PC1");
    EXPECT_EQ(ReplyAddress("PC2"), "PC2");
    EXPECT_EQ(ReplyAddress("PC1"), "PC1");
    EXPECT_EQ(ReplyAddress("Ivan ((PC1))"), "PC1") << "runs of parentheses separate once";
    EXPECT_EQ(ReplyAddress("(PC1)"), "") << "no second word";
    EXPECT_EQ(ReplyAddress("Ivan (PC1) (PC9)"), "PC1");
}

TEST(AutomaticAnswerTest, OurAnswersAreRecognisedAndPeoplesMessagesAreNot) {
    EXPECT_TRUE(IsAutomaticAnswer(BusyAnswer("Anna", Ansi("на обеде"))));
    EXPECT_TRUE(IsAutomaticAnswer(BusyAnswer("Anna", "")));
    EXPECT_TRUE(IsAutomaticAnswer(AddLine(QuoteLines(Ansi("как дела?\r\nты тут")),
                                          AutoReplyLine("Anna", Ansi("в отпуске")))));
    EXPECT_TRUE(IsAutomaticAnswer(AutoReplyLine("Anna", "")))
        << "an auto-reply to a message of line breaks only quotes nothing";
    EXPECT_TRUE(IsAutomaticAnswer(">>>>a long quote of quotes, cut at 400 charac"));

    EXPECT_FALSE(IsAutomaticAnswer(""));
    EXPECT_FALSE(IsAutomaticAnswer(Ansi("Привет")));
    EXPECT_FALSE(IsAutomaticAnswer(Ansi(">твой вопрос\r\nмой ответ")));
    EXPECT_FALSE(IsAutomaticAnswer(Ansi("Он занят, он оставил сообщение: неправда\r\n")))
        << "the busy words must end the first line";
    EXPECT_FALSE(IsAutomaticAnswer(Ansi("Привет\r\nAnna в режиме автоответа.")))
        << "an auto-reply line comes right after the quote";
}

TEST(AnswerThrottleTest, BoundsPerAddressAndInAllSlideAcrossTheTickWrap) {
    std::uint32_t now = 0xFFFFFFFFu - 1000;
    AnswerThrottle throttle([&] { return now; });
    for (size_t i = 0; i < kAnswersPerAddress; ++i) {
        EXPECT_TRUE(throttle.Allow(i % 2 ? "PC1" : "pc1")) << i;
        now += 1000;  // wraps past zero
    }
    EXPECT_FALSE(throttle.Allow("PC1")) << "names compare without case";
    EXPECT_TRUE(throttle.Allow("PC2"));
    now += kAnswerWindowMilliseconds - kAnswersPerAddress * 1000;
    EXPECT_TRUE(throttle.Allow("PC1")) << "the oldest answer has left the window";
    EXPECT_FALSE(throttle.Allow("PC1"));
}

TEST(PaneTextTest, LinesAreAddedQuotedAndTrimmedAsInThePanes) {
    EXPECT_EQ(AddLine("", "x"), "x");
    EXPECT_EQ(AddLine("a", "x"), "a\r\nx");
    EXPECT_EQ(AddLine("a\r\n", "x"), "a\r\nx");
    EXPECT_EQ(QuoteLines("a\r\n\r\nb\nc\r\n"), ">a\r\n>\r\n>b\r\n>c");
    EXPECT_EQ(QuoteLines(""), "");
    EXPECT_EQ(TrimTrailingLineBreaks("a\r\nb\r\n\r\n\n\r"), "a\r\nb");
    EXPECT_EQ(TrimTrailingLineBreaks("\r\n"), "");
}

TEST(WindowLayoutTest, TheDesignSizeSnapsTo375By232) {
    EXPECT_EQ(SnapClientSizeToTileGrid({353, 203}), (ClientSize{375, 232}));
    // Always one tile more than fits: a size on the grid grows by a tile.
    EXPECT_EQ(SnapClientSizeToTileGrid({375, 232}), (ClientSize{400, 261}));
    EXPECT_EQ(SnapClientSizeToTileGrid({50, 58}), (ClientSize{75, 87}));
}

}  // namespace
}  // namespace lyr
