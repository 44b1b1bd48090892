// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/network_mailslot_system.h"

#include "platform/error.h"
#include "platform/netbios_config.h"

namespace lyr {

NetworkMailslotSystem::NetworkMailslotSystem()
    : NetworkMailslotSystem(MakeNetbiosServiceConfig(netbios::ServiceMode::Client)) {}

NetworkMailslotSystem::NetworkMailslotSystem(netbios::ServiceConfig config)
    : config_(std::move(config)), local_(config_.computer_name, this) {}

NetworkMailslotSystem::~NetworkMailslotSystem() = default;

netbios::NetworkStatus NetworkMailslotSystem::JoinNetwork(netbios::ServiceMode mode,
                                                          SessionDatagramBuilder session_datagram) {
    if (network_) {
        const bool client_becomes_owner = !client_before_owner_ &&
                                          joined_mode_ == netbios::ServiceMode::Client &&
                                          mode == netbios::ServiceMode::Owner;
        if (!client_becomes_owner) {
            throw Exception("the mailslots have joined the network already");
        }
        client_before_owner_ = std::move(network_);
    }
    auto config = config_;
    config.mode = mode;
    joined_mode_ = mode;
    network_ =
        std::make_unique<NetbiosMailslotNetwork>(std::move(config), std::move(session_datagram));
    joined_ = network_.get();
    return network_->Service().Status();
}

std::unique_ptr<MailslotReceiver> NetworkMailslotSystem::Create(const std::string& name,
                                                                int32_t max_size,
                                                                MailslotCreateError& error) {
    return local_.Create(name, max_size, error);
}

std::unique_ptr<MailslotWriteHandle> NetworkMailslotSystem::OpenForWrite(const std::string& name) {
    return local_.OpenForWrite(name);
}

RemoteWriteFailure NetworkMailslotSystem::LastRemoteWriteFailure() const {
    const NetbiosMailslotNetwork* network = joined_;
    return network ? network->LastFailure() : RemoteWriteFailure::NoNetwork;
}

bool NetworkMailslotSystem::WriteRemote(const std::string& server, const std::string& slot,
                                        std::string_view data) {
    NetbiosMailslotNetwork* network = joined_;
    return network && network->WriteRemote(server, slot, data);
}

}  // namespace lyr
