// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "netbios/netbios_service.h"
#include "platform/linux/linux_mailslot_system.h"
#include "platform/linux/netbios_mailslot_network.h"

namespace lyr {

// This computer's mailslots joined to the network: the local queues for this computer, NetBIOS
// datagrams for every other target. The messenger and lyrnet build their mailslots this one way.
// Until JoinNetwork only this computer's slots can be written.
class NetworkMailslotSystem final : public MailslotSystem, private MailslotNetwork {
public:
    // With this computer's NetBIOS settings (MakeNetbiosServiceConfig: the environment may
    // change names and ports), or with given ones.
    NetworkMailslotSystem();
    explicit NetworkMailslotSystem(netbios::ServiceConfig config);
    ~NetworkMailslotSystem() override;

    // Starts the NetBIOS service; once, except that a client joins again as the owner once this
    // process has taken "messngr" from a receiver that ended (the client's service stays, idle,
    // for writers that may still use it). Any other second call throws lyr::Exception.
    //   Owner:  binds UDP 137/138, holds our names and hands what arrives for the slots of this
    //           computer into their queues. Call it once this process holds "messngr", the slot
    //           that makes it this computer's receiver. When the ports cannot be had it goes on
    //           as a client, and the status says why and what to do.
    //   Client: resolves and sends from ports of its own, beside a running owner.
    //   An owner given `session_datagram` also listens on TCP 139 for popup messages over the
    //   session service and puts each, as that datagram, into the "messngr" queue.
    netbios::NetworkStatus JoinNetwork(netbios::ServiceMode mode,
                                       SessionDatagramBuilder session_datagram = {});

    std::unique_ptr<MailslotReceiver> Create(const std::string& name, int32_t max_size,
                                             MailslotCreateError& error) override;
    std::unique_ptr<MailslotWriteHandle> OpenForWrite(const std::string& name) override;

    // The name this computer goes by on the network, and whether `server` means this computer.
    const std::string& ThisComputerName() const { return config_.computer_name; }
    bool IsThisComputer(const std::string& server) const { return local_.IsThisComputer(server); }
    // Nothing before JoinNetwork.
    NetbiosMailslotNetwork* Network() { return network_.get(); }
    // The same, from any thread; it lives as long as this object.
    NetbiosMailslotNetwork* JoinedNetwork() const { return joined_.load(); }
    // Why the latest write to another computer, a group or "*" failed.
    RemoteWriteFailure LastRemoteWriteFailure() const;

private:
    bool WriteRemote(const std::string& server, const std::string& slot,
                     std::string_view data) override;

    netbios::ServiceConfig config_;
    std::unique_ptr<NetbiosMailslotNetwork> network_;
    netbios::ServiceMode joined_mode_ = netbios::ServiceMode::Client;
    std::unique_ptr<NetbiosMailslotNetwork> client_before_owner_;
    // Set once by JoinNetwork; writers on other threads see either nothing or the whole network.
    std::atomic<NetbiosMailslotNetwork*> joined_{nullptr};
    LinuxMailslotSystem local_;
};

}  // namespace lyr
