// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/datagram_sending.h"

#include <algorithm>
#include <system_error>

#include "base/log.h"
#include "transport/slot_writing.h"

namespace lyr {
namespace {

bool WriteOne(MailslotSystem& mailslots, const OutgoingDatagram& datagram) noexcept {
    try {
        return SendDatagram(mailslots, datagram.server, datagram.message);
    } catch (...) {
        LogCaughtException(LogSeverity::Error, "transport",
                           "Writing a message to \"" + datagram.server + "\" failed");
        return false;
    }
}

}  // namespace

std::vector<bool> WriteDatagramsAtOnce(MailslotSystem& mailslots,
                                       const std::vector<OutgoingDatagram>& datagrams,
                                       size_t at_once) {
    std::vector<char> written(datagrams.size(), 0);  // not vector<bool>: one byte per writer
    for (size_t first = 0; first < datagrams.size(); first += at_once) {
        const size_t end = std::min(datagrams.size(), first + at_once);
        std::vector<std::thread> writers;
        for (size_t i = first; i < end; ++i) {
            try {
                writers.emplace_back(
                    [&, i] { written[i] = WriteOne(mailslots, datagrams[i]) ? 1 : 0; });
            } catch (const std::system_error&) {
                written[i] = WriteOne(mailslots, datagrams[i]) ? 1 : 0;
            }
        }
        for (std::thread& writer : writers) {
            writer.join();
        }
    }
    return {written.begin(), written.end()};
}

void DirectDatagramSending::Send(std::vector<OutgoingDatagram> batch, Done done) {
    std::vector<bool> written;
    for (const OutgoingDatagram& datagram : batch) {
        written.push_back(WriteOne(mailslots_, datagram));
    }
    done(written);
}

BackgroundDatagramSending::BackgroundDatagramSending(MailslotSystem& mailslots, UiThread& ui_thread)
    : mailslots_(mailslots), ui_thread_(ui_thread) {}

BackgroundDatagramSending::~BackgroundDatagramSending() {
    std::list<Batch> to_join;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stopping = true;
        for (auto batch = shared_->batches.begin(); batch != shared_->batches.end();) {
            if (batch->handing_over && !batch->finished) {
                // Waits for the UI thread, which is this one: it is refused once the loop has
                // stopped, or runs later and finds the result unwanted. Only Shared is touched.
                batch->thread.detach();
                ++batch;
            } else {
                auto next = std::next(batch);
                to_join.splice(to_join.end(), shared_->batches, batch);
                batch = next;
            }
        }
    }
    for (Batch& batch : to_join) {
        batch.thread.join();
    }
}

void BackgroundDatagramSending::Send(std::vector<OutgoingDatagram> batch, Done done) {
    std::list<Batch> finished;
    std::lock_guard lock(shared_->mutex);
    for (auto old = shared_->batches.begin(); old != shared_->batches.end();) {
        auto next = std::next(old);
        if (old->finished) {
            finished.splice(finished.end(), shared_->batches, old);
        }
        old = next;
    }
    for (Batch& old : finished) {
        old.thread.join();  // it has nothing left to do but return
    }
    Batch& entry = shared_->batches.emplace_back();
    try {
        entry.thread = std::thread([this, &entry, batch = std::move(batch),
                                    done = std::move(done)] { Run(entry, batch, done); });
    } catch (const std::system_error&) {
        shared_->batches.pop_back();
        throw;
    }
}

void BackgroundDatagramSending::Run(Batch& batch, const std::vector<OutgoingDatagram>& datagrams,
                                    const Done& done) {
    const std::vector<bool> written =
        WriteDatagramsAtOnce(mailslots_, datagrams, kMostWritesAtOnce);
    const std::shared_ptr<Shared> shared = shared_;
    UiThread& ui_thread = ui_thread_;
    {
        std::lock_guard lock(shared->mutex);
        if (shared->stopping) {
            batch.finished = true;
            return;
        }
        batch.handing_over = true;
    }
    // From here on `this` may be destroyed: only `shared`, the batch it holds and the UI thread.
    try {
        ui_thread.RunAndWait([&] {
            {
                std::lock_guard lock(shared->mutex);
                if (shared->stopping) {
                    return;
                }
            }
            done(written);
        });
    } catch (...) {
        LogCaughtException(LogSeverity::Error, "transport", "The result of a send was lost");
    }
    std::lock_guard lock(shared->mutex);
    batch.finished = true;
}

}  // namespace lyr
