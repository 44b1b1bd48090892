#include "transport/md_mailslot.h"

#include <cstring>

#include "platform/ascii_case.h"
#include "platform/log.h"
#include "transport/md_mailslot_wait_thread.h"

namespace lyr {

TmdCustomMailSlot::TmdCustomMailSlot(MailslotSystem& system, UiThread& ui_thread)
    : system_(system), ui_thread_(ui_thread), FServer("."), FSlot("mdMailSlot1") {
    Close();
}

TmdCustomMailSlot::~TmdCustomMailSlot() {
    // No OnClose here: the handlers' owner may already be gone.
    StopWaitThread();
    if (FHandle) {
        FHandle->Close();
    }
}

void TmdCustomMailSlot::SetActive(bool Value) {
    if (FLoading) {
        FStreamedActive = Value;
    } else if (Value) {
        Open();
    } else {
        Close();
    }
}

void TmdCustomMailSlot::Loaded() {
    FLoading = false;
    SetActive(FStreamedActive);
}

void TmdCustomMailSlot::SetServer(const std::string& Value) {
    if (EqualsIgnoringCase(Value, FServer)) {
        return;
    }
    FServer = Value;
    if (FActive) {
        Open();
    }
}

void TmdCustomMailSlot::SetSlot(const std::string& Value) {
    if (EqualsIgnoringCase(Value, FSlot)) {
        return;
    }
    FSlot = Value;
    FSlotSet = true;
    if (FActive) {
        Open();
    }
}

void TmdCustomMailSlot::SetMaxSize(int32_t Value) {
    if (Value == FMaxSize) {
        return;
    }
    FMaxSize = Value;
    if (FActive) {
        Open();
    }
}

void TmdCustomMailSlot::SetName(const std::string& Value) {
    FName = Value;
    if (!FSlotSet) {
        SetSlot(Value);
        FSlotSet = false;
    }
}

void TmdCustomMailSlot::CheckMessages() {
    if (!FActive) {
        RaiseError("Not active");
    }
    auto info = FHandle->Info();
    if (!info) {
        RaiseError("Error in GetMailSlotInfo");
    }
    FNextSize = info->next_size;
    FMessageCount = info->message_count;
}

bool TmdCustomMailSlot::ReadMessage(TmdMailSlotBuffer& Buffer) {
    CheckMessages();
    if (FMessageCount == 0) {
        RaiseError("No messages waiting");
    }
    FreeMessage(Buffer);
    if (FNextSize > kLongestMessage) {
        // Left in the queue it would be met again at every turn and hold back every later one.
        FHandle->Read({});
        return false;
    }
    Buffer.Size = static_cast<int32_t>(FNextSize);
    Buffer.Data = std::make_unique<char[]>(static_cast<size_t>(Buffer.Size) + 1);
    Buffer.Len = Buffer.Size;
    Buffer.Ptr = Buffer.Data.get();
    auto read = FHandle->Read({Buffer.Ptr, static_cast<size_t>(Buffer.Size)});
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
            DoMessageAvail(std::string(buffer.Ptr, std::strlen(buffer.Ptr)));
            DoBinMessageAvail(buffer.Ptr, buffer.Len);
        }
    } catch (...) {
        // Nothing is shown; the message is lost and the next one is delivered as usual.
        LogCaughtException(LogSeverity::Error, "transport",
                           "A message of mailslot " + FSlot + " is lost");
    }
    FreeMessage(buffer);
}

void TmdCustomMailSlot::Open() {
    if (FActive) {
        Close();
    }
    MailslotCreateError error = MailslotCreateError::CannotOpen;
    FHandle = system_.Create(MakeMailslotPath(FServer, FSlot), FMaxSize, error);
    FActive = FHandle != nullptr;
    if (!FActive) {
        RaiseError(error == MailslotCreateError::BadName         ? "Bad mailslot name"
                   : error == MailslotCreateError::AlreadyExists ? "Mailslot already exists"
                                                                 : "Cannot open mailslot");
    }
    // Started before OnOpen so that a failing handler cannot leave an open queue unwatched;
    // nothing is delivered before this call returns to the UI thread's loop.
    if (!FWaitThread) {
        FWaitThread = TmdMailSlotWaitThread::Start(*this, FHandle, ui_thread_);
    }
    DoOpen();
}

void TmdCustomMailSlot::Close() {
    if (!FActive) {
        return;
    }
    StopWaitThread();
    FHandle->Close();
    FHandle.reset();
    FActive = false;
    DoClose();
}

void TmdCustomMailSlot::StopWaitThread() {
    if (FWaitThread) {
        FWaitThread->Terminate();
        FWaitThread.reset();
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
