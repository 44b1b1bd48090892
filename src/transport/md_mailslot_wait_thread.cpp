// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/md_mailslot_wait_thread.h"

#include "base/log.h"
#include "transport/md_mailslot.h"

namespace lyr {

std::shared_ptr<TmdMailSlotWaitThread> TmdMailSlotWaitThread::Start(
    TmdCustomMailSlot& MailSlot, std::shared_ptr<MailslotReceiver> Handle, UiThread& ui_thread) {
    std::shared_ptr<TmdMailSlotWaitThread> thread(
        new TmdMailSlotWaitThread(MailSlot, std::move(Handle), ui_thread));
    // The running thread keeps its object alive: it may outlive the endpoint's reference.
    thread->thread_ = std::thread([self = thread] { self->Execute(); });
    return thread;
}

TmdMailSlotWaitThread::~TmdMailSlotWaitThread() {
    // Only reached after Terminate (joined or detached) or from the thread's own last reference.
    if (thread_.joinable()) {
        thread_.detach();
    }
}

void TmdMailSlotWaitThread::Terminate() {
    bool can_join;
    {
        std::lock_guard lock(mutex_);
        terminated_ = true;
        mail_slot_ = nullptr;
        can_join = !handing_over_;
    }
    // Ends a blocked wait; the handle is never waited on again after this.
    handle_->Close();
    if (!thread_.joinable()) {
        return;
    }
    if (can_join) {
        thread_.join();
    } else {
        thread_.detach();
    }
}

void TmdMailSlotWaitThread::Execute() {
    while (handle_->Wait()) {
        {
            std::lock_guard lock(mutex_);
            if (terminated_) {
                return;
            }
            handing_over_ = true;
        }
        bool delivered = false;
        try {
            delivered = ui_thread_.RunAndWait([this] { DispatchOnUiThread(); });
        } catch (...) {
            // The endpoint swallows its own errors; anything else must not end the process.
            LogCaughtException(LogSeverity::Error, "transport",
                               "Handing a mailslot message to the UI thread failed");
            delivered = true;
        }
        std::lock_guard lock(mutex_);
        handing_over_ = false;
        // A refused hand-over means the UI thread has stopped: nobody would read any more.
        if (terminated_ || !delivered) {
            return;
        }
    }
}

void TmdMailSlotWaitThread::DispatchOnUiThread() {
    TmdCustomMailSlot* mail_slot;
    {
        std::lock_guard lock(mutex_);
        mail_slot = mail_slot_;
    }
    // Terminate runs on this same thread, so a live pointer stays live during the dispatch; a
    // handler that closed the endpoint has cleared it.
    if (mail_slot) {
        mail_slot->DispatchArrived(kMostReadsPerHandOver);
    }
}

}  // namespace lyr
