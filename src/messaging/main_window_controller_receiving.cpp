// SPDX-License-Identifier: GPL-3.0-or-later
// Receiving a message: storing it, the automatic answer, the notification.
#include <exception>
#include <vector>

#include "app/program_titles.h"
#include "base/log.h"
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
// one before, as the messages would be if they waited in the mailslot. Messages the mailslot
// hands over together are stored and shown together, at the end of their batch.
void MainWindowController::MainSlotMessage(const MessengerMessage& message) {
    if (waiting_.size() >= kMaxWaitingMessages) {
        if (waiting_dropped_++ == 0) {
            LogLine(LogSeverity::Error, "receiving",
                    "more than " + std::to_string(kMaxWaitingMessages) +
                        " messages arrived before the start-up was done; further ones are "
                        "dropped and counted");
        }
        return;
    }
    if (LogDebugEnabled("receiving")) {
        LogLine(LogSeverity::Debug, "receiving",
                "a message from \"" + message.sender + "\" to \"" + message.receiver + "\", " +
                    std::to_string(message.text.size()) + " bytes of text");
    }
    waiting_.push_back(message);
    if (!MainSlot.InBatch()) {
        HandleArrived();
    }
}

void MainWindowController::HandleArrived() {
    StoreWaitingMessages();
    AnswerAndNotifyStored();
}

void MainWindowController::StoreWaitingMessages() {
    if (!receiving_ || storing_) {
        return;
    }
    FlagScope storing(storing_);
    // A failure's box may be open while the records are written: what arrives meanwhile is the
    // next round.
    while (!waiting_.empty()) {
        std::deque<MessengerMessage> arrived;
        arrived.swap(waiting_);
        StoreTogether(arrived);
    }
}

void MainWindowController::StoreTogether(const std::deque<MessengerMessage>& arrived) {
    std::vector<TMsgData> records;
    std::vector<Received> stored;
    records.reserve(arrived.size());
    stored.reserve(arrived.size());
    for (const MessengerMessage& message : arrived) {
        if (message.sender.empty() || message.text.empty()) {
            continue;
        }
        LastSender_ = message.sender.substr(0, kMaxSenderLength);
        TMsgData record;
        record.Time = CurrentDateTime();
        record.FromName = message.sender;
        record.ToName = message.receiver;
        record.Text = TrimTrailingLineBreaks(OemToAnsi(message.text));
        stored.push_back({record, LastSender_, 0});
        records.push_back(std::move(record));
    }
    if (records.empty()) {
        return;
    }
    if (Inbox().Empty()) {
        panes_.SetRecText(records.front().Text);
        InboxPos_ = 1;
    }
    // One sound, one count and one hint for what arrived together.
    if (options_.RecBeep() && !ending_) {
        shell_.MessageBeep(kDefaultBeep);
    }
    InboxCount_ += static_cast<std::int32_t>(records.size());
    UpdateTrayHint();
    const auto first_position = static_cast<std::int32_t>(Inbox().Count()) + 1;
    AddToStore(inbox_, std::move(records));
    if (LogDebugEnabled("receiving")) {
        LogLine(LogSeverity::Debug, "receiving",
                std::to_string(stored.size()) + " messages stored together, the inbox holds " +
                    std::to_string(Inbox().Count()));
    }
    for (size_t i = 0; i < stored.size(); ++i) {
        stored[i].position = first_position + static_cast<std::int32_t>(i);
        to_notify_.push_back(std::move(stored[i]));
    }
}

void MainWindowController::StoreArrivedMessages() {
    ending_ = true;
    MainSlot.ReadWaiting();
    StoreWaitingMessages();
}

void MainWindowController::AddToStore(KeptMsgList& store, std::vector<TMsgData> records) {
    try {
        store.AddAll(std::move(records), KeepStoreFiles());
        store_failure_reported_ = false;
    } catch (const std::exception& error) {
        // The records are kept in memory; one report per run of failures, not one per message.
        if (!store_failure_reported_) {
            store_failure_reported_ = true;
            dialogs_.ReportError(error.what());
        }
    }
}

void MainWindowController::AddToStore(KeptMsgList& store, TMsgData record) {
    std::vector<TMsgData> one;
    one.push_back(std::move(record));
    AddToStore(store, std::move(one));
}

void MainWindowController::AnswerAndNotifyStored() {
    if (!receiving_ || notifying_ || ending_ || to_notify_.empty()) {
        return;
    }
    FlagScope notifying(notifying_);
    while (!to_notify_.empty()) {
        const Received message = std::move(to_notify_.front());
        to_notify_.pop_front();
        // A notification that does not wait for the user would only be replaced by the next
        // one at once: of what arrived together, only the last is shown that way.
        const bool show = to_notify_.empty() || NotificationWaitsForUser();
        try {
            AnswerAndNotify(message, show);
        } catch (const std::exception& error) {
            tray_.StopTrayAnimation();
            dialogs_.ReportError(error.what());
        }
        StoreWaitingMessages();
    }
}

bool MainWindowController::NotificationWaitsForUser() const {
    const auto type = options_.WindowType();
    return options_.ShowMsg() && IsActive_ && (type == 0 || type == 2);
}

void MainWindowController::AnswerAndNotify(const Received& message, bool show) {
    LastSender_ = message.sender;
    tray_.StartTrayAnimation();
    AnswerAutomatically(message);
    if (show && options_.ShowMsg() && IsActive_) {
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
