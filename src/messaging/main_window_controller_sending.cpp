// SPDX-License-Identifier: GPL-3.0-or-later
// SendMsg with its list and reply paths, the keys and commands that send, ReplyMsg.
#include "app/program_titles.h"
#include "app/virtual_key_codes.h"
#include "messaging/main_window_controller.h"
#include "messaging/pane_text.h"
#include "platform/codepage.h"
#include "platform/date_time.h"
#include "platform/error.h"
#include "transport/messenger_datagram.h"
#include "transport/slot_writing.h"

namespace lyr {
namespace {

constexpr size_t kMaxSenderName = 255;

std::string SenderName(const std::string& nik, const std::string& computer) {
    return (nik + " (" + computer + ")").substr(0, kMaxSenderName);
}

}  // namespace

void MainWindowController::SendMsg(const Control* control) {
    const std::string pane_text = panes_.SendText();
    std::string text = AnsiToOem(pane_text);
    if (text.size() > kLongestSentText) {
        text.resize(kLongestSentText);
    }
    if (control == nullptr) {
        SendToLastSender(text);
    } else if (!list_send_in_flight_) {
        SendToUserList(text, pane_text);
    }
}

void MainWindowController::ClearSentText(const std::string& pane_text) {
    if (options_.ClearMsg() && panes_.SendText() == pane_text) {
        panes_.SetSendText("");
    }
}

// The list path: one datagram per ticked entry, "*" ending the walk and a group's computers left
// to the group's datagram; the message counts as sent when the last datagram was written.
void MainWindowController::SendToUserList(const std::string& wire_text,
                                          const std::string& pane_text) {
    const std::string from =
        identity_.Nik == CompName_ ? identity_.Nik : SenderName(identity_.Nik, CompName_);
    std::vector<OutgoingDatagram> batch;
    std::string group;
    std::string names;
    for (const TUserData& entry : user_list_.Entries()) {
        if (!entry.Checked) {
            continue;
        }
        const bool everyone = entry.Kind == TUserData::kWholeNetwork;
        const std::string to = everyone ? "*" : entry.Name;
        if (entry.Kind == TUserData::kGroup) {
            group = entry.Name;
        }
        // A computer without a group is no member of any group addressed before it.
        if (entry.Kind == TUserData::kComputer && !entry.Group.empty() && entry.Group == group) {
            continue;
        }
        batch.push_back({to, {.sender = from, .receiver = to, .text = wire_text}});
        if (!names.empty()) {
            names += ' ';
        }
        names += to;
        if (everyone) {
            break;
        }
    }
    if (batch.empty()) {
        dialogs_.ShowMessageBox(
            {Utf8ToAnsi("Не выбран ни один адресат."), kProgramTitle, BoxIcon::Error, false});
        return;
    }
    TMsgData record;
    record.Time = CurrentDateTime();
    record.FromName = CompName_;
    record.ToName = names;
    record.Text = pane_text;
    list_send_in_flight_ = true;
    window_.SetSendEnabled(false);
    sending_->Send(std::move(batch),
                   [this, names, record = std::move(record)](const std::vector<bool>& written) {
                       FinishListSend(written.back(), names, record);
                   });
}

void MainWindowController::FinishListSend(bool ok, const std::string& names, TMsgData record) {
    list_send_in_flight_ = false;
    window_.SetSendEnabled(true);
    if (!ok) {
        dialogs_.ShowMessageBox(
            {Utf8ToAnsi("Не могу доставить сообщение адресату \"") + names + Utf8ToAnsi("\"."),
             kProgramTitle, BoxIcon::Error, false});
        return;
    }
    const std::string pane_text = record.Text;
    AddToStore(outbox_, std::move(record));
    if (options_.HideASend()) {
        window_.HideMainWindow();
    }
    if (options_.SendBeep()) {
        shell_.MessageBeep(kSimpleBeep);
    }
    ClearSentText(pane_text);
}

// The reply path: one datagram to the sender of the last received message, without a record and
// without an error box.
void MainWindowController::SendToLastSender(const std::string& text) {
    LastSender_ = ReplyAddress(LastSender_);
    const std::string pane_text = panes_.SendText();
    if (options_.SendBeep()) {
        shell_.MessageBeep(kSimpleBeep);
    }
    sending_->Send(
        {{LastSender_,
          {.sender = SenderName(identity_.Nik, CompName_), .receiver = LastSender_, .text = text}}},
        [this, pane_text](const std::vector<bool>& written) {
            if (written.front()) {
                ClearSentText(pane_text);
            }
        });
}

void MainWindowController::ReplyMsg(const Control* control) {
    panes_.SetSendText(QuoteLines(panes_.RecText()));
    if (control != nullptr) {
        panes_.FocusSendText();
    }
}

void MainWindowController::SendTextKeyUp(const Control& Sender, int Key, bool ctrl_held) {
    if (Key == kVkReturn && ctrl_held) {
        SendMsg(&Sender);
    }
}

void MainWindowController::SendTextEnter() {
    panes_.SetInfoText(Utf8ToAnsi("Ввод сообщения..."));
}

void MainWindowController::N28Click(const Control& Sender) {
    SendMsg(&Sender);
}

void MainWindowController::qr1Click(const Control& Sender) {
    if (Sender.Tag < 0 || static_cast<size_t>(Sender.Tag) >= ReplyList_.size()) {
        return;
    }
    const std::string& reply = ReplyList_[Sender.Tag];
    if (reply.empty()) {
        return;
    }
    ReplyMsg(nullptr);
    panes_.SetSendText(AddLine(panes_.SendText(), reply));
    SendMsg(nullptr);
}

void MainWindowController::mcr1Click(const Control& Sender) {
    if (Sender.Tag < 0 || static_cast<size_t>(Sender.Tag) >= MacroList_.size()) {
        return;
    }
    panes_.PostCharsToSendText(MacroList_[Sender.Tag]);
}

}  // namespace lyr
