// SPDX-License-Identifier: GPL-3.0-or-later
// Receiving a message: storing it, the automatic answer, the notification.
#include <exception>

#include "app/program_titles.h"
#include "messaging/main_window_controller.h"
#include "messaging/message_texts.h"
#include "messaging/pane_text.h"
#include "platform/codepage.h"
#include "platform/date_time.h"

namespace lyr {
namespace {

// Sets a flag for the lifetime of a scope.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

constexpr size_t kMaxSenderLength = 255;

}  // namespace

// A modal box or window of a notification runs a loop of its own, in which the next message
// may arrive. It is stored at once, so it is safe on disk, but answered and shown only after the
// one before, as the messages would be if they waited in the mailslot.
void MainWindowController::MainSlotMessage(const std::string& AReciever, const std::string& ASender,
                                           const std::string& AMsg) {
    if (waiting_.size() >= kMaxWaitingMessages) {
        return;
    }
    waiting_.push_back({AReciever, ASender, AMsg});
    StoreWaitingMessages();
    AnswerAndNotifyStored();
}

void MainWindowController::StoreWaitingMessages() {
    if (!receiving_ || storing_) {
        return;
    }
    FlagScope storing(storing_);
    while (!waiting_.empty()) {
        const Datagram datagram = std::move(waiting_.front());
        waiting_.pop_front();
        if (auto message = StoreReceived(datagram)) {
            to_notify_.push_back(std::move(*message));
        }
    }
}

void MainWindowController::StoreArrivedMessages() {
    ending_ = true;
    MainSlot.ReadWaiting();
    StoreWaitingMessages();
}

std::optional<MainWindowController::Received> MainWindowController::StoreReceived(
    const Datagram& datagram) {
    if (datagram.sender.empty() || datagram.text.empty()) {
        return std::nullopt;
    }
    LastSender_ = datagram.sender.substr(0, kMaxSenderLength);
    std::string text = TrimTrailingLineBreaks(OemToAnsi(datagram.text));
    if (Inbox().Empty()) {
        panes_.SetRecText(text);
        InboxPos_ = 1;
    }
    if (options_.RecBeep() && !ending_) {
        shell_.MessageBeep(kDefaultBeep);
    }
    ++InboxCount_;
    UpdateTrayHint();

    TMsgData record;
    record.Time = CurrentDateTime();
    record.FromName = datagram.sender;
    record.ToName = datagram.receiver;
    record.Text = std::move(text);
    Received message{record, LastSender_, 0};
    AddToStore(inbox_, std::move(record));
    message.position = static_cast<std::int32_t>(Inbox().Count());
    return message;
}

void MainWindowController::AddToStore(KeptMsgList& store, TMsgData record) {
    try {
        store.Add(std::move(record), KeepStoreFiles());
        store_failure_reported_ = false;
    } catch (const std::exception& error) {
        // The record is kept in memory; one report per run of failures, not one per message.
        if (!store_failure_reported_) {
            store_failure_reported_ = true;
            dialogs_.ReportError(error.what());
        }
    }
}

void MainWindowController::AnswerAndNotifyStored() {
    if (!receiving_ || notifying_ || ending_) {
        return;
    }
    FlagScope notifying(notifying_);
    while (!to_notify_.empty()) {
        const Received message = std::move(to_notify_.front());
        to_notify_.pop_front();
        try {
            AnswerAndNotify(message);
        } catch (const std::exception& error) {
            tray_.StopTrayAnimation();
            dialogs_.ReportError(error.what());
        }
        StoreWaitingMessages();
    }
}

void MainWindowController::AnswerAndNotify(const Received& message) {
    LastSender_ = message.sender;
    tray_.StartTrayAnimation();
    AnswerAutomatically(message);
    if (options_.ShowMsg() && IsActive_) {
        Notify(message);
    }
    tray_.StopTrayAnimation();
}

void MainWindowController::AnswerAutomatically(const Received& message) {
    const bool busy = !IsActive_;
    if (!busy && !options_.AutoReply()) {
        return;
    }
    const std::string address = ReplyAddress(message.sender);
    if (IsAutomaticAnswer(message.record.Text) ||
        !AnswerMayGoTo(address, user_list_.Entries(), workgroup_) ||
        !answer_throttle_.Allow(address)) {
        return;
    }
    if (busy) {
        panes_.SetSendText(BusyAnswer(identity_.Nik, identity_.BusyText));
    } else {
        panes_.SetSendText(AddLine(QuoteLines(message.record.Text),
                                   AutoReplyLine(identity_.Nik, identity_.ReplyText)));
    }
    SendMsg(nullptr);
}

void MainWindowController::Notify(const Received& message) {
    const TMsgData& record = message.record;
    // Before a modal box or window holds the handler; where no window can come to the front
    // (Wayland), this is what the user sees.
    if (options_.DesktopNotify()) {
        shell_.DesktopNotify(message.position, record.FromName.Text(), record.Text);
    }
    window_.RememberForegroundWindow();
    switch (options_.WindowType()) {
        case 0:
            dialogs_.ShowMessageBox(
                {NotificationText(record), kMainWindowTitle, BoxIcon::Information, true});
            window_.RestoreForegroundWindow();
            break;
        case 1:
            panes_.SetFromPanelCaption(FromPanelCaption(record));
            if (panes_.FromPanelVisible()) {
                panes_.SetRecText(record.Text);
            } else {
                panes_.SetRecText(record.FromName.Text() + " " + DateTimeText(record.Time) +
                                  " :\r\n" + record.Text);
                panes_.EmphasizeRecTextFirstLine();
            }
            window_.ShowMainWindow();
            break;
        case 2:
            dialogs_.ShowMessageWindow({options_.UserWinColor(),
                                        Utf8ToAnsi("От: ") + record.FromName.Text() + " (" +
                                            DateTimeText(record.Time) + ")",
                                        NotificationText(record)});
            if (window_.IsVisible()) {
                window_.FocusMainWindow();
            }
            window_.RestoreForegroundWindow();
            break;
        default:
            break;
    }
}

}  // namespace lyr
