// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/linux_mailslot_system.h"

#include "base/ascii_case.h"
#include "platform/linux/local_mailslot.h"
#include "platform/linux/local_mailslot_receiver.h"

namespace lyr {
namespace {

class LocalWriteHandle final : public MailslotWriteHandle {
public:
    explicit LocalWriteHandle(LocalMailslotConnection connection)
        : connection_(std::move(connection)) {}

    std::optional<size_t> Write(std::string_view data) override {
        if (connection_.Send(data) != LocalWriteResult::Written) {
            return std::nullopt;
        }
        return data.size();
    }

private:
    LocalMailslotConnection connection_;
};

// Network mailslot writes are single datagrams without a connection, so opening cannot fail
// here; whether the target is reachable shows in the write.
class NetworkWriteHandle final : public MailslotWriteHandle {
public:
    NetworkWriteHandle(MailslotNetwork& network, MailslotPath path)
        : network_(network), path_(std::move(path)) {}

    std::optional<size_t> Write(std::string_view data) override {
        if (!network_.WriteRemote(path_.server, path_.slot, data)) {
            return std::nullopt;
        }
        return data.size();
    }

private:
    MailslotNetwork& network_;
    MailslotPath path_;
};

}  // namespace

LinuxMailslotSystem::LinuxMailslotSystem(std::string computer_name, MailslotNetwork* network,
                                         int local_write_timeout_ms)
    : computer_name_(std::move(computer_name)),
      network_(network),
      local_write_timeout_ms_(local_write_timeout_ms) {}

bool LinuxMailslotSystem::IsThisComputer(const std::string& server) const {
    return server == "." || (!computer_name_.empty() && EqualsIgnoringCase(server, computer_name_));
}

std::unique_ptr<MailslotReceiver> LinuxMailslotSystem::Create(const std::string& name,
                                                              int32_t max_size,
                                                              MailslotCreateError& error) {
    auto path = ParseMailslotPath(name);
    // Only this computer's own "\\.\" names can be created, as with Windows mailslots.
    if (!path || path->server != ".") {
        error = MailslotCreateError::BadName;
        return nullptr;
    }
    return LocalMailslotReceiver::Create(path->slot, max_size, error);
}

std::unique_ptr<MailslotWriteHandle> LinuxMailslotSystem::OpenForWrite(const std::string& name) {
    auto path = ParseMailslotPath(name);
    if (!path) {
        return nullptr;
    }
    if (IsThisComputer(path->server)) {
        auto connection = LocalMailslotConnection::Open(path->slot, local_write_timeout_ms_);
        if (!connection) {
            return nullptr;
        }
        return std::make_unique<LocalWriteHandle>(std::move(*connection));
    }
    if (!network_) {
        return nullptr;
    }
    return std::make_unique<NetworkWriteHandle>(*network_, std::move(*path));
}

}  // namespace lyr
