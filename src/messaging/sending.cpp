// SendMsg's common part and its reply path, and ReplyMsg.
#include "messaging/main_window_controller.h"
#include "messaging/pane_text.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "transport/mailslot_write.h"
#include "transport/messenger_datagram.h"

namespace lyr {
namespace {

constexpr size_t kMaxSenderName = 255;

}  // namespace

void MainWindowController::SendMsg(const Control* control) {
    std::string text = AnsiToOem(panes_.SendText());
    if (text.size() > kLongestSentText) {
        text.resize(kLongestSentText);
    }
    const bool ok = control != nullptr ? SendToUserList(text) : SendToLastSender(text);
    if (ok && options_.ClearMsg()) {
        panes_.SetSendText("");
    }
}

// The list path: the ticked entries of the user list, the record in Outbox, the error boxes.
// It is built with the sending commands of the main window; until then a user's send is
// refused with an error the user sees.
bool MainWindowController::SendToUserList(const std::string&) {
    throw Exception("Sending to the user list is not built yet");
}

// The reply path: one datagram to the sender of the last received message, without a record and
// without an error box.
bool MainWindowController::SendToLastSender(const std::string& text) {
    LastSender_ = ReplyAddress(LastSender_);
    const std::string from = (identity_.Nik + " (" + CompName_ + ")").substr(0, kMaxSenderName);
    const bool ok = SendDatagram(mailslots_, LastSender_, LastSender_, from, text);
    if (options_.SendBeep()) {
        shell_.MessageBeep(kSimpleBeep);
    }
    return ok;
}

void MainWindowController::ReplyMsg(const Control* control) {
    panes_.SetSendText(QuoteLines(panes_.RecText()));
    if (control != nullptr) {
        panes_.FocusSendText();
    }
}

}  // namespace lyr
