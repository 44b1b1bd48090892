// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/error.h"
#include "platform/mailslot.h"
#include "platform/ui_thread.h"

namespace lyr {

class TmdCustomMailSlot;
class TmdMailSlotWaitThread;

// The endpoint's error; its text is one of the short English messages of the endpoint.
class EmdMailSlot : public Exception {
public:
    using Exception::Exception;
};

// One read message. `Data` holds Size + 1 bytes, zero-filled before the read, so the message is
// always followed by a NUL; `Len` and `Ptr` are what the events receive.
struct TmdMailSlotBuffer {
    int32_t Size = 0;
    std::unique_ptr<char[]> Data;
    int32_t Len = 0;
    char* Ptr = nullptr;
};

using TNotifyEvent = std::function<void(TmdCustomMailSlot& Sender)>;
using TmsMessageAvail = std::function<void(TmdCustomMailSlot& Sender, const std::string& Msg)>;
using TmsBinMessageAvail =
    std::function<void(TmdCustomMailSlot& Sender, const char* Data, int32_t Len)>;

// A receiving endpoint: creates and owns one mailslot "\\Server\mailslot\Slot" while Active,
// and raises its events on the user-interface thread for every message that arrives, one at a
// time and in arrival order. A wait thread watches the queue and hands each read over to the
// UI thread through `ui_thread`.
//
// Everything here is called on the UI thread. `system` and `ui_thread` must outlive the endpoint
// and its wait threads. The endpoint may be closed (Active false, or a property change that
// reopens it) at any time, also from inside one of its own event handlers; destroying it while
// active closes it without raising OnClose. Destroying it from inside its own handler is not
// supported.
class TmdCustomMailSlot {
public:
    TmdCustomMailSlot(MailslotSystem& system, UiThread& ui_thread);
    virtual ~TmdCustomMailSlot();
    TmdCustomMailSlot(const TmdCustomMailSlot&) = delete;
    TmdCustomMailSlot& operator=(const TmdCustomMailSlot&) = delete;

    bool Active() const { return active_; }
    void SetActive(bool Value);
    // Why the last opening failed, and the system's error number then (0 when unknown).
    MailslotCreateError OpenError() const { return open_error_; }
    int OpenErrno() const { return open_errno_; }
    const std::string& Server() const { return server_; }
    void SetServer(const std::string& Value);
    const std::string& Slot() const { return slot_; }
    void SetSlot(const std::string& Value);
    int32_t MaxSize() const { return max_size_; }
    void SetMaxSize(int32_t Value);
    uint32_t MessageCount() const { return message_count_; }
    uint32_t NextSize() const { return next_size_; }
    bool SlotSet() const { return slot_set_; }
    const TmdMailSlotWaitThread* WaitThread() const { return wait_thread_.get(); }

    // The component's name; while Slot was never assigned, Slot follows it.
    const std::string& Name() const { return name_; }
    void SetName(const std::string& Value);
    // While the stored properties are read, Active is only recorded; Loaded applies it.
    void BeginLoading() { loading_ = true; }
    virtual void Loaded();

    void CheckMessages();
    virtual bool ReadMessage(TmdMailSlotBuffer& Buffer);
    virtual void FreeMessage(TmdMailSlotBuffer& Buffer);
    // Reads one message and raises the events; every error is swallowed (the message is lost).
    void ReadAndDispatch();
    // Reads and raises the events for the messages that wait in the queue now, on this thread,
    // as the wait thread would hand them over; for the end of the run, so that nothing the queue
    // took is lost when it closes.
    void ReadWaiting();
    // Takes up to `most` messages that wait now from the queue at once and raises the events for
    // each, then OnBatchEnd once: messages that arrived together are handled together. This is
    // how the wait thread hands them over; errors are swallowed as in ReadAndDispatch.
    void DispatchArrived(size_t most);
    // Inside DispatchArrived, until its OnBatchEnd: more messages of the same batch may follow.
    bool InBatch() const { return batch_depth_ > 0; }
    virtual void Open();
    virtual void Close();

    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;
    TmsMessageAvail OnMessageAvail;
    TmsBinMessageAvail OnBinMessageAvail;
    // After the last message of a batch handed over by DispatchArrived.
    TNotifyEvent OnBatchEnd;

    // The longest message that gets a buffer; longer ones are taken out of the queue unread.
    static constexpr uint32_t kLongestMessage = 0xFFFC;

protected:
    virtual void DoOpen();
    virtual void DoClose();
    virtual void DoMessageAvail(const std::string& Msg);
    virtual void DoBinMessageAvail(const char* Data, int32_t Len);
    [[noreturn]] virtual void RaiseError(const std::string& Msg);

private:
    void StopWaitThread();
    // Raises both message events; `data` is followed by a NUL.
    void Dispatch(const char* data, int32_t length);

    MailslotSystem& system_;
    UiThread& ui_thread_;

    bool streamed_active_ = false;
    bool active_ = false;
    MailslotCreateError open_error_ = MailslotCreateError::CannotOpen;
    int open_errno_ = 0;
    std::shared_ptr<MailslotReceiver> handle_;  // empty while closed
    int32_t max_size_ = 0;
    std::string server_;
    std::string slot_;
    uint32_t message_count_ = 0;
    uint32_t next_size_ = 0;
    bool slot_set_ = false;
    std::shared_ptr<TmdMailSlotWaitThread> wait_thread_;
    std::string name_;
    bool loading_ = false;
    int batch_depth_ = 0;  // a handler's modal loop may dispatch the next batch inside this one
};

// The general endpoint for program use.
class TmdMailSlot : public TmdCustomMailSlot {
public:
    using TmdCustomMailSlot::TmdCustomMailSlot;
};

}  // namespace lyr
