// SPDX-License-Identifier: GPL-3.0-or-later
// Presence and auto-reply: the menu commands, the tray, the state requests.
#include "messaging/main_window_controller.h"
#include "platform/codepage.h"

namespace lyr {
namespace {

std::string ReceivingProblemText(const std::string& problem) {
    return Utf8ToAnsi("Нет приема из сети: ") + problem;
}

}  // namespace

void MainWindowController::miActiveClick(const Control& Sender) {
    if (Sender.Tag == 0) {
        IsActive_ = true;
    } else if (Sender.Tag == 1) {
        IsActive_ = false;
    }
    tray_.SetChecked(MenuItem::miActive, IsActive_);
    tray_.SetChecked(MenuItem::smiActive, IsActive_);
    tray_.SetChecked(MenuItem::miBusy, !IsActive_);
    tray_.SetChecked(MenuItem::smiBusy, !IsActive_);
    tray_.SetTrayIcon(PresenceTrayImage());
    UpdateTrayHint();
    PublishMgrState();
}

void MainWindowController::smiAutoReplyClick() {
    const bool auto_reply = !options_.AutoReply();
    tray_.SetChecked(MenuItem::smiAutoReply, auto_reply);
    tray_.SetChecked(MenuItem::miAutoReply, auto_reply);
    options_.SetAutoReply(auto_reply);
    // Switching auto-reply on shows its image even while Busy.
    tray_.SetTrayIcon(auto_reply ? kTrayImageAutoReply
                                 : (IsActive_ ? kTrayImageActive : kTrayImageBusy));
    UpdateTrayHint();
    PublishMgrState();
}

void MainWindowController::UpdateTrayHint() {
    const char* state = IsActive_ ? "активен" : "занят";
    std::string hint =
        Utf8ToAnsi(std::string("Messenger - ") + state + ", писем: ") + std::to_string(InboxCount_);
    if (!receiving_problem_.empty()) {
        hint += "\n" + ReceivingProblemText(receiving_problem_);
    }
    tray_.SetTrayHint(hint);
}

void MainWindowController::SetReceivingProblem(const std::string& cause) {
    std::string problem = Utf8ToAnsi(cause);
    if (problem == receiving_problem_) {
        return;
    }
    const bool began = receiving_problem_.empty();
    receiving_problem_ = std::move(problem);
    UpdateTrayHint();
    if (receiving_problem_.empty()) {
        panes_.SetReceivingSign({});
        panes_.SetInfoText(Utf8ToAnsi("Прием сообщений из сети восстановлен."));
    } else {
        panes_.SetReceivingSign(ReceivingProblemText(receiving_problem_));
    }
    if (!options_.DesktopNotify() || (!began && !receiving_problem_.empty())) {
        return;  // a changed cause is the same trouble, told of already
    }
    if (receiving_problem_.empty()) {
        shell_.DesktopNotifyState(Utf8ToAnsi("Прием из сети восстановлен"),
                                  Utf8ToAnsi("Сообщения с других компьютеров снова приходят."));
    } else {
        shell_.DesktopNotifyState(
            Utf8ToAnsi("Нет приема из сети"),
            Utf8ToAnsi("Сообщения с других компьютеров не приходят: ") + receiving_problem_);
    }
}

void MainWindowController::RestorePresenceTray() {
    tray_.SetTrayIcon(PresenceTrayImage());
    UpdateTrayHint();
}

int MainWindowController::PresenceTrayImage() const {
    if (!IsActive_) {
        return kTrayImageBusy;
    }
    return options_.AutoReply() ? kTrayImageAutoReply : kTrayImageActive;
}

std::int32_t MainWindowController::OnMgrShow(std::uintptr_t wParam) {
    if (wParam == 1) {
        window_.HideMainWindow();
        window_.ShowMainWindow();
    } else {
        window_.HideMainWindow();
    }
    return 1;
}

void MainWindowController::PublishMgrState() {
    std::int32_t state = 0;
    if (!IsActive_) {
        state = 1;
    }
    if (options_.AutoReply()) {
        state = 2;
    }
    mgr_state_.store(state, std::memory_order_relaxed);
}

}  // namespace lyr
