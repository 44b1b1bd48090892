// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/mailslot.h"

namespace lyr::test {

// Mailslots that exist only in the test: creation fails with a chosen error, and writes are
// recorded with what the "system" accepted of them.
class FakeMailslots : public MailslotSystem {
public:
    std::unique_ptr<MailslotReceiver> Create(const std::string&, int32_t,
                                             MailslotCreateError& error) override {
        error = create_error;
        return nullptr;
    }

    std::unique_ptr<MailslotWriteHandle> OpenForWrite(const std::string& name) override {
        opened.push_back(name);
        if (!can_open) {
            return nullptr;
        }
        return std::make_unique<Handle>(*this);
    }

    MailslotCreateError create_error = MailslotCreateError::CannotOpen;
    bool can_open = true;
    // Bytes a write reports as taken; nothing = the whole message; -1 = the write fails.
    std::optional<long> bytes_taken;
    std::vector<std::string> opened;
    std::vector<std::string> written;
    int open_handles = 0;

private:
    class Handle : public MailslotWriteHandle {
    public:
        explicit Handle(FakeMailslots& owner) : owner_(owner) { ++owner_.open_handles; }
        ~Handle() override { --owner_.open_handles; }
        std::optional<size_t> Write(std::string_view data) override {
            owner_.written.emplace_back(data);
            if (owner_.bytes_taken && *owner_.bytes_taken < 0) {
                return std::nullopt;
            }
            return owner_.bytes_taken ? static_cast<size_t>(*owner_.bytes_taken) : data.size();
        }

    private:
        FakeMailslots& owner_;
    };
};

}  // namespace lyr::test
