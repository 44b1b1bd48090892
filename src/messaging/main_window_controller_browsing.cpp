// SPDX-License-Identifier: GPL-3.0-or-later
// Paging through the stored messages, deleting, exporting, the clipboard and FromPanel.
#include <exception>

#include "app/virtual_key_codes.h"
#include "messaging/main_window_controller.h"
#include "messaging/message_texts.h"
#include "platform/atomic_file.h"
#include "platform/codepage.h"

namespace lyr {
namespace {

// "<store>: <position>/<count> <direction>: <name> <time>".
std::string StatusText(const char* store, std::int32_t position, size_t count,
                       const char* direction, const TMsgName& name, double time) {
    return Utf8ToAnsi(store) + ": " + std::to_string(position) + "/" + std::to_string(count) + " " +
           Utf8ToAnsi(direction) + ": " + name.Text() + " " + DateTimeText(time);
}

// "Исходящие: 2/5 для: PC1 PC2 <time>" and "Входящие: 2/5 от: PC1 <time>".
std::string OutboxStatus(std::int32_t position, const TMsgList& list) {
    const TMsgData& record = list.Item(position - 1);
    return StatusText("Исходящие", position, list.Count(), "для", record.ToName, record.Time);
}

std::string InboxStatus(std::int32_t position, const TMsgList& list) {
    const TMsgData& record = list.Item(position - 1);
    return StatusText("Входящие", position, list.Count(), "от", record.FromName, record.Time);
}

bool Shows(std::int32_t position, const TMsgList& list) {
    return position >= 1 && static_cast<size_t>(position) <= list.Count();
}

std::string ExportText(const TMsgData& record) {
    return Utf8ToAnsi("От: ") + record.FromName.Text() + Utf8ToAnsi(" Дата:") +
           DateTimeText(record.Time) + "\r\n" + record.Text + "\r\n-----------------";
}

}  // namespace

void MainWindowController::ShowInboxMessage() {
    const TMsgData& record = inbox_.List().Item(InboxPos_ - 1);
    panes_.SetRecText(record.Text);
    panes_.SetInfoText(InboxStatus(InboxPos_, inbox_.List()));
}

void MainWindowController::ShowOutboxMessage() {
    panes_.SetSendText(outbox_.List().Item(OutboxPos_ - 1).Text);
    panes_.SetInfoText(OutboxStatus(OutboxPos_, outbox_.List()));
}

// Paging stops at either end, without wrapping.
void MainWindowController::Page(int step) {
    if (OutboxFocused()) {
        if (!Shows(OutboxPos_ + step, outbox_.List())) {
            return;
        }
        OutboxPos_ += step;
        ShowOutboxMessage();
        return;
    }
    if (!Shows(InboxPos_ + step, inbox_.List())) {
        return;
    }
    InboxPos_ += step;
    ShowInboxMessage();
    panes_.SetFromPanelCaption(FromPanelCaption(inbox_.List().Item(InboxPos_ - 1)));
}

void MainWindowController::OpenReceived(std::int32_t position, bool reply) {
    if (Shows(position, inbox_.List())) {
        InboxPos_ = position;
        ShowInboxMessage();
        panes_.SetFromPanelCaption(FromPanelCaption(inbox_.List().Item(InboxPos_ - 1)));
    }
    window_.ShowMainWindow();
    if (reply) {
        static const Control notification_reply{};
        ReplyMsg(&notification_reply);
    }
}

void MainWindowController::NextMsg() {
    Page(+1);
}

void MainWindowController::PrevMsg() {
    Page(-1);
}

// Removes the shown record; the one before it is shown next, or the new first one.
void MainWindowController::DeleteShown(KeptMsgList& store, std::int32_t& position) {
    try {
        store.Delete(position - 1, KeepStoreFiles());
    } catch (const std::exception& error) {
        // The record is gone from the store all the same; the file keeps the old contents.
        dialogs_.ReportError(error.what());
    }
    --position;
    if (position == 0 && !store.List().Empty()) {
        position = 1;
    }
}

void MainWindowController::DeleteMsg(const Control* control) {
    if (control != nullptr) {
        panes_.SetSendText("");
        return;
    }
    if (OutboxFocused()) {
        if (Shows(OutboxPos_, outbox_.List())) {
            DeleteShown(outbox_, OutboxPos_);
            if (OutboxPos_ >= 1) {
                ShowOutboxMessage();
            } else {
                panes_.SetInfoText(Utf8ToAnsi("Исходящие: 0/0 "));
                panes_.SetSendText("");
            }
        }
    } else if (Shows(InboxPos_, inbox_.List())) {
        DeleteShown(inbox_, InboxPos_);
        if (InboxPos_ >= 1) {
            ShowInboxMessage();
        } else {
            panes_.SetInfoText(Utf8ToAnsi("Входящие: 0/0 "));
            panes_.SetRecText("");
        }
        InboxCount_ = static_cast<std::int32_t>(inbox_.List().Count());
    }
    UpdateTrayHint();
}

void MainWindowController::RecTextKeyDown(int Key) {
    if (Key == kVkDelete) {
        DeleteMsg(nullptr);
    }
}

void MainWindowController::RecTextEnter() {
    panes_.SetInfoText(Shows(InboxPos_, inbox_.List()) ? InboxStatus(InboxPos_, inbox_.List())
                                                       : Utf8ToAnsi("Входящие: 0/0"));
}

void MainWindowController::ExportMenuItemClick() {
    std::string text;
    const Pane focused = panes_.FocusedPane();
    if (focused == Pane::SendText) {
        text = Shows(OutboxPos_, outbox_.List()) ? ExportText(outbox_.List().Item(OutboxPos_ - 1))
                                                 : panes_.SendText();
    } else if (focused == Pane::RecText) {
        text = Shows(InboxPos_, inbox_.List()) ? ExportText(inbox_.List().Item(InboxPos_ - 1))
                                               : panes_.RecText();
    }
    if (text.empty()) {
        return;
    }
    const std::optional<std::filesystem::path> file = dialogs_.RunExportDialog();
    if (!file) {
        return;
    }
    try {
        WriteFileAtomically(*file, text);
    } catch (const std::exception& error) {
        dialogs_.ReportError(error.what());
    }
}

void MainWindowController::miCopyToClick() {
    panes_.CopySelection(ClipboardPane());
}

void MainWindowController::miPasteClick() {
    panes_.PastePlainText(ClipboardPane());
}

void MainWindowController::miClearClick() {
    panes_.CutSelection(ClipboardPane());
}

void MainWindowController::miSelectAllClick() {
    panes_.SelectAll(ClipboardPane());
}

void MainWindowController::ToggleFromPanel(const Control& control) {
    if (control.Tag == 1) {
        panes_.SetFromPanelVisible(!panes_.FromPanelVisible());
    }
}

}  // namespace lyr
