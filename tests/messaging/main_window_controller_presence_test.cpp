// SPDX-License-Identifier: GPL-3.0-or-later
// Presence, auto-reply, the tray hint and the answers to the three requests.
#include <gtest/gtest.h>

#include "messaging/controller_fixture.h"

namespace lyr {
namespace {

using test::Ansi;

class PresenceTest : public test::ControllerFixture {
protected:
    // The notifications counted are those of the presence: a first start tells where the
    // program is.
    void SetUp() override {
        Start();
        View().shell.state_notifications.clear();
    }
    bool Checked(MenuItem item) { return View().tray.checked.at(item); }
};

TEST_F(PresenceTest, BusyAndActiveSetTheChecksTheImageAndTheHint) {
    Controller().miActiveClick(Control{1});
    EXPECT_FALSE(Controller().IsActive());
    EXPECT_FALSE(Checked(MenuItem::miActive));
    EXPECT_FALSE(Checked(MenuItem::smiActive));
    EXPECT_TRUE(Checked(MenuItem::miBusy));
    EXPECT_TRUE(Checked(MenuItem::smiBusy));
    EXPECT_EQ(View().tray.image, kTrayImageBusy);
    EXPECT_EQ(View().tray.hint, Ansi("Messenger - занят, писем: 0"));

    Options().SetAutoReply(true);
    Controller().miActiveClick(Control{0});
    EXPECT_TRUE(Controller().IsActive());
    EXPECT_TRUE(Checked(MenuItem::miActive));
    EXPECT_FALSE(Checked(MenuItem::smiBusy));
    EXPECT_EQ(View().tray.image, kTrayImageAutoReply);
    EXPECT_EQ(View().tray.hint, Ansi("Messenger - активен, писем: 0"));
}

TEST_F(PresenceTest, AutoReplyIsSavedAndItsImageWinsWhenSwitchedOn) {
    Controller().miActiveClick(Control{1});
    Controller().smiAutoReplyClick();
    EXPECT_TRUE(Options().AutoReply());
    EXPECT_EQ(registry_->ReadInteger("AutoReply"), 1) << "written at once";
    EXPECT_TRUE(Checked(MenuItem::miAutoReply));
    EXPECT_TRUE(Checked(MenuItem::smiAutoReply));
    EXPECT_EQ(View().tray.image, kTrayImageAutoReply) << "even while Busy";

    Controller().smiAutoReplyClick();
    EXPECT_EQ(registry_->ReadInteger("AutoReply"), 0);
    EXPECT_FALSE(Checked(MenuItem::smiAutoReply));
    EXPECT_EQ(View().tray.image, kTrayImageBusy);
    Controller().miActiveClick(Control{0});
    EXPECT_EQ(View().tray.image, kTrayImageActive);
}

TEST_F(PresenceTest, TheHintCountsTheReceivedMessages) {
    for (int i = 1; i <= 3; ++i) {
        Receive("PEER", "message " + std::to_string(i));
    }
    EXPECT_EQ(View().tray.hint, Ansi("Messenger - активен, писем: 3"));
}

TEST_F(PresenceTest, ACannotReceiveSignNamesTheCauseWhileItLastsAndTheMendingIsSaid) {
    const std::string cause = "порт 138 занят программой nmbd";
    const std::string sign = Ansi("Нет приема из сети: " + cause);
    Receive("PEER", "one");
    Controller().SetReceivingProblem(cause);
    EXPECT_EQ(View().tray.hint, Ansi("Messenger - активен, писем: 1\n") + sign);
    EXPECT_EQ(View().panes.receiving_sign, sign);
    ASSERT_EQ(View().shell.state_notifications.size(), 1u);
    EXPECT_NE(View().shell.state_notifications[0].find(Ansi(cause)), std::string::npos);

    Receive("PEER", "two");
    Controller().miActiveClick(Control{1});
    EXPECT_EQ(View().tray.hint, Ansi("Messenger - занят, писем: 2\n") + sign)
        << "the sign stays while the hint follows the program";
    Controller().SetReceivingProblem(cause);
    Controller().SetReceivingProblem("имя PC1 занято другим компьютером");
    EXPECT_EQ(View().panes.receiving_sign,
              Ansi("Нет приема из сети: имя PC1 занято другим компьютером"));
    EXPECT_EQ(View().shell.state_notifications.size(), 1u) << "the trouble is told of once";

    Controller().SetReceivingProblem("");
    EXPECT_EQ(View().tray.hint, Ansi("Messenger - занят, писем: 2"));
    EXPECT_EQ(View().panes.receiving_sign, "");
    EXPECT_EQ(View().panes.info_text, Ansi("Прием сообщений из сети восстановлен."));
    ASSERT_EQ(View().shell.state_notifications.size(), 2u);
    EXPECT_EQ(View().shell.state_notifications[1],
              Ansi("Прием из сети восстановлен: Сообщения с других компьютеров снова приходят."));
    Controller().SetReceivingProblem("");
    EXPECT_EQ(View().shell.state_notifications.size(), 2u);

    Options().SetDesktopNotify(false);
    Controller().SetReceivingProblem(cause);
    EXPECT_EQ(View().panes.receiving_sign, sign) << "the sign does not hang on notifications";
    EXPECT_EQ(View().shell.state_notifications.size(), 2u);
}

TEST_F(PresenceTest, StateAnswerLetsAutoReplyWinOverBusy) {
    EXPECT_EQ(Controller().OnMgrState(), 0);
    Controller().miActiveClick(Control{1});
    EXPECT_EQ(Controller().OnMgrState(), 1);
    Controller().smiAutoReplyClick();
    EXPECT_EQ(Controller().OnMgrState(), 2);
    Controller().miActiveClick(Control{0});
    EXPECT_EQ(Controller().OnMgrState(), 2);
    EXPECT_EQ(Controller().OnMgrVersion(), 65537);
}

TEST_F(PresenceTest, ShowRequestShowsOrHidesTheWindow) {
    View().log.calls.clear();
    EXPECT_EQ(Controller().OnMgrShow(1), 1);
    EXPECT_TRUE(View().window.visible);
    EXPECT_EQ(View().log.calls, (std::vector<std::string>{"HideMainWindow", "ShowMainWindow"}));
    EXPECT_EQ(Controller().OnMgrShow(0), 1);
    EXPECT_FALSE(View().window.visible);
    EXPECT_EQ(Controller().OnMgrShow(7), 1);
    EXPECT_FALSE(View().window.visible);
}

}  // namespace
}  // namespace lyr
