// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <mutex>
#include <thread>

#include "platform/mailslot.h"
#include "platform/ui_thread.h"

namespace lyr {

class TmdCustomMailSlot;

// Watches one endpoint's queue through its own copy of the handle and hands the reads over to
// the user-interface thread, waiting until they have run. Blocks in the queue's Wait while nothing
// arrives. It ends by itself once terminated; the object lives until both the endpoint and the
// thread have let it go.
class TmdMailSlotWaitThread : public std::enable_shared_from_this<TmdMailSlotWaitThread> {
public:
    static std::shared_ptr<TmdMailSlotWaitThread> Start(TmdCustomMailSlot& MailSlot,
                                                        std::shared_ptr<MailslotReceiver> Handle,
                                                        UiThread& ui_thread);
    ~TmdMailSlotWaitThread();
    TmdMailSlotWaitThread(const TmdMailSlotWaitThread&) = delete;
    TmdMailSlotWaitThread& operator=(const TmdMailSlotWaitThread&) = delete;

    // On the UI thread: from now on the thread touches the endpoint no more, and its wait ends.
    // Waits for the thread to end unless it is handing a read over (the UI thread may be inside
    // that very hand-over, or the hand-over may wait for the UI thread); it then ends by itself
    // as soon as the hand-over returns.
    void Terminate();

    // Messages that wait already are taken in the same hand-over, at most this many: a burst
    // then costs one trip to the UI thread, one write and flush of the store and one update of
    // the window per batch, not per message (a flush alone may take milliseconds on a busy
    // disk), while the handling of one batch stays short enough for the UI thread to get back
    // to its other work between two batches of a flood.
    static constexpr size_t kMostReadsPerHandOver = 256;

private:
    TmdMailSlotWaitThread(TmdCustomMailSlot& MailSlot, std::shared_ptr<MailslotReceiver> Handle,
                          UiThread& ui_thread)
        : mail_slot_(&MailSlot), handle_(std::move(Handle)), ui_thread_(ui_thread) {}

    void Execute();
    void DispatchOnUiThread();

    TmdCustomMailSlot* mail_slot_;                    // null once terminated
    const std::shared_ptr<MailslotReceiver> handle_;  // the thread's own copy
    UiThread& ui_thread_;

    std::mutex mutex_;
    bool terminated_ = false;
    bool handing_over_ = false;
    std::thread thread_;
};

}  // namespace lyr
