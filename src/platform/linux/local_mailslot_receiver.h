#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string_view>

#include "platform/linux/unique_fd.h"
#include "platform/mailslot.h"

namespace lyr {

// The receive side of a local mailslot: the bound datagram socket plus an event descriptor that
// Close uses to end a blocked Wait.
class LocalMailslotReceiver final : public MailslotReceiver {
public:
    static std::unique_ptr<LocalMailslotReceiver> Create(std::string_view slot, int32_t max_size,
                                                         MailslotCreateError& error);
    ~LocalMailslotReceiver() override;

    std::optional<MailslotInfo> Info() override;
    std::optional<size_t> Read(std::span<char> buffer) override;
    bool Wait() override;
    void Close() override;

private:
    LocalMailslotReceiver(UniqueFd socket, UniqueFd wake, int32_t max_size)
        : socket_(std::move(socket)), wake_(std::move(wake)), max_size_(max_size) {}

    // Released by Close, once no Wait polls them any more.
    UniqueFd socket_;
    UniqueFd wake_;
    const int32_t max_size_;
    std::optional<MailslotInfo> known_next_;  // the last Info that found a message waiting

    // Close may not release the descriptors while Wait still polls them.
    std::mutex mutex_;
    std::condition_variable wait_left_;
    bool closed_ = false;
    bool waiting_ = false;
};

}  // namespace lyr
