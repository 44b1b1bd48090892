// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/mailslot.h"
#include "platform/messenger_message.h"
#include "platform/ui_thread.h"

namespace lyr {

// One messenger datagram to go out: what SendDatagram takes.
struct OutgoingDatagram {
    std::string server;
    MessengerMessage message;
};

// Sends batches of messenger datagrams for the UI thread.
class DatagramSending {
public:
    // Whether each datagram of the batch was written, in the batch's order.
    using Done = std::function<void(const std::vector<bool>& written)>;
    virtual ~DatagramSending() = default;
    // Writes every datagram of `batch`; `done` then runs on the UI thread.
    virtual void Send(std::vector<OutgoingDatagram> batch, Done done) = 0;
};

// Writes on the calling thread; `done` runs before Send returns.
class DirectDatagramSending final : public DatagramSending {
public:
    explicit DirectDatagramSending(MailslotSystem& mailslots) : mailslots_(mailslots) {}
    void Send(std::vector<OutgoingDatagram> batch, Done done) override;

private:
    MailslotSystem& mailslots_;
};

// Writes away from the UI thread, which stays free to repaint and receive while names are
// looked up (an unreachable computer takes seconds): each batch on a thread of its own, its
// datagrams all at once, and the result handed to the UI thread. Destroyed on the UI thread:
// writes still running are waited for, results not handed over yet are dropped.
class BackgroundDatagramSending final : public DatagramSending {
public:
    // Datagrams of one batch written at the same time, at most.
    static constexpr size_t kMostWritesAtOnce = 16;

    BackgroundDatagramSending(MailslotSystem& mailslots, UiThread& ui_thread);
    ~BackgroundDatagramSending() override;
    BackgroundDatagramSending(const BackgroundDatagramSending&) = delete;
    BackgroundDatagramSending& operator=(const BackgroundDatagramSending&) = delete;

    void Send(std::vector<OutgoingDatagram> batch, Done done) override;

private:
    struct Batch {
        std::thread thread;
        bool finished = false;
        bool handing_over = false;
    };
    // What a batch's thread still touches after it has handed its result over, when this object
    // may be gone already.
    struct Shared {
        std::mutex mutex;
        std::list<Batch> batches;
        bool stopping = false;
    };

    void Run(Batch& batch, const std::vector<OutgoingDatagram>& datagrams, const Done& done);

    MailslotSystem& mailslots_;
    UiThread& ui_thread_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};

// SendDatagram for every datagram at once, each on a thread of its own (at most `at_once` at a
// time); a thread that cannot be started writes on the calling thread.
std::vector<bool> WriteDatagramsAtOnce(MailslotSystem& mailslots,
                                       const std::vector<OutgoingDatagram>& datagrams,
                                       size_t at_once);

}  // namespace lyr
