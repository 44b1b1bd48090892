// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/md_mailslot.h"

#include <cerrno>
#include <cstring>

#include "base/ascii_case.h"
#include "base/log.h"
#include "transport/md_mailslot_wait_thread.h"

namespace lyr {

TmdCustomMailSlot::TmdCustomMailSlot(MailslotSystem& system, UiThread& ui_thread)
    : system_(system), ui_thread_(ui_thread), server_("."), slot_("mdMailSlot1") {
    Close();
}

TmdCustomMailSlot::~TmdCustomMailSlot() {
    // No OnClose here: the handlers' owner may already be gone.
    StopWaitThread();
    if (handle_) {
        handle_->Close();
    }
}

void TmdCustomMailSlot::SetActive(bool Value) {
    if (loading_) {
        streamed_active_ = Value;
    } else if (Value) {
        Open();
    } else {
        Close();
    }
}

void TmdCustomMailSlot::Loaded() {
    loading_ = false;
    SetActive(streamed_active_);
}

void TmdCustomMailSlot::SetServer(const std::string& Value) {
    if (EqualsIgnoringCase(Value, server_)) {
        return;
    }
    server_ = Value;
    if (active_) {
        Open();
    }
}

void TmdCustomMailSlot::SetSlot(const std::string& Value) {
    if (EqualsIgnoringCase(Value, slot_)) {
        return;
    }
    slot_ = Value;
    slot_set_ = true;
    if (active_) {
        Open();
    }
}

void TmdCustomMailSlot::SetMaxSize(int32_t Value) {
    if (Value == max_size_) {
        return;
    }
    max_size_ = Value;
    if (active_) {
        Open();
    }
}

void TmdCustomMailSlot::SetName(const std::string& Value) {
    name_ = Value;
    if (!slot_set_) {
        SetSlot(Value);
        slot_set_ = false;
    }
}

void TmdCustomMailSlot::CheckMessages() {
    if (!active_) {
        RaiseError("Not active");
    }
    auto info = handle_->Info();
    if (!info) {
        RaiseError("Error in GetMailSlotInfo");
    }
    next_size_ = info->next_size;
    message_count_ = info->message_count;
}

bool TmdCustomMailSlot::ReadMessage(TmdMailSlotBuffer& Buffer) {
    CheckMessages();
    if (message_count_ == 0) {
        RaiseError("No messages waiting");
    }
    FreeMessage(Buffer);
    if (next_size_ > kLongestMessage) {
        // Left in the queue it would be met again at every turn and hold back every later one.
        handle_->Read({});
        return false;
    }
    Buffer.Size = static_cast<int32_t>(next_size_);
    Buffer.Data = std::make_unique<char[]>(static_cast<size_t>(Buffer.Size) + 1);
    Buffer.Len = Buffer.Size;
    Buffer.Ptr = Buffer.Data.get();
    auto read = handle_->Read({Buffer.Ptr, static_cast<size_t>(Buffer.Size)});
    if (!read || *read != static_cast<size_t>(Buffer.Size)) {
        RaiseError("Error reading message");
    }
    return true;
}

void TmdCustomMailSlot::FreeMessage(TmdMailSlotBuffer& Buffer) {
    Buffer = TmdMailSlotBuffer{};
}

void TmdCustomMailSlot::ReadAndDispatch() {
    TmdMailSlotBuffer buffer;
    try {
        if (ReadMessage(buffer)) {
            Dispatch(buffer.Ptr, buffer.Len);
        }
    } catch (...) {
        // Nothing is shown; the message is lost and the next one is delivered as usual.
        LogCaughtException(LogSeverity::Error, "transport",
                           "A message of mailslot " + slot_ + " is lost");
    }
    FreeMessage(buffer);
}

void TmdCustomMailSlot::Dispatch(const char* data, int32_t length) {
    // The text event's string is made only for a handler that wants it.
    if (OnMessageAvail) {
        DoMessageAvail(std::string(data, strnlen(data, static_cast<size_t>(length))));
    }
    DoBinMessageAvail(data, length);
}

void TmdCustomMailSlot::DispatchArrived(size_t most) {
    if (!active_) {
        return;
    }
    const auto handle = handle_;
    std::vector<std::string> messages = handle->ReadWaiting(most);
    ++batch_depth_;
    for (const std::string& message : messages) {
        // A handler that closed or reopened the endpoint ends the batch: the rest were taken
        // from the queue it closed.
        if (!active_ || handle_ != handle) {
            break;
        }
        if (message.size() > kLongestMessage) {
            continue;
        }
        try {
            Dispatch(message.c_str(), static_cast<int32_t>(message.size()));
        } catch (...) {
            LogCaughtException(LogSeverity::Error, "transport",
                               "A message of mailslot " + slot_ + " is lost");
        }
    }
    --batch_depth_;
    try {
        if (OnBatchEnd) {
            OnBatchEnd(*this);
        }
    } catch (...) {
        LogCaughtException(LogSeverity::Error, "transport",
                           "Handling a batch of mailslot " + slot_ + " failed");
    }
}

void TmdCustomMailSlot::ReadWaiting() {
    if (!active_) {
        return;
    }
    // Only what waits now: a flood that goes on cannot hold the caller.
    if (const auto waiting = handle_->Info()) {
        DispatchArrived(waiting->message_count);
    }
}

void TmdCustomMailSlot::Open() {
    if (active_) {
        Close();
    }
    MailslotCreateError error = MailslotCreateError::CannotOpen;
    errno = 0;
    handle_ = system_.Create(MakeMailslotPath(server_, slot_), max_size_, error);
    active_ = handle_ != nullptr;
    if (!active_) {
        open_error_ = error;
        open_errno_ = errno;
        RaiseError(error == MailslotCreateError::BadName         ? "Bad mailslot name"
                   : error == MailslotCreateError::AlreadyExists ? "Mailslot already exists"
                                                                 : "Cannot open mailslot");
    }
    // Started before OnOpen so that a failing handler cannot leave an open queue unwatched;
    // nothing is delivered before this call returns to the UI thread's loop.
    if (!wait_thread_) {
        wait_thread_ = TmdMailSlotWaitThread::Start(*this, handle_, ui_thread_);
    }
    DoOpen();
}

void TmdCustomMailSlot::Close() {
    if (!active_) {
        return;
    }
    StopWaitThread();
    handle_->Close();
    handle_.reset();
    active_ = false;
    DoClose();
}

void TmdCustomMailSlot::StopWaitThread() {
    if (wait_thread_) {
        wait_thread_->Terminate();
        wait_thread_.reset();
    }
}

void TmdCustomMailSlot::DoOpen() {
    if (OnOpen) {
        OnOpen(*this);
    }
}

void TmdCustomMailSlot::DoClose() {
    if (OnClose) {
        OnClose(*this);
    }
}

void TmdCustomMailSlot::DoMessageAvail(const std::string& Msg) {
    if (OnMessageAvail) {
        OnMessageAvail(*this, Msg);
    }
}

void TmdCustomMailSlot::DoBinMessageAvail(const char* Data, int32_t Len) {
    if (OnBinMessageAvail) {
        OnBinMessageAvail(*this, Data, Len);
    }
}

void TmdCustomMailSlot::RaiseError(const std::string& Msg) {
    throw EmdMailSlot(Msg);
}

}  // namespace lyr
