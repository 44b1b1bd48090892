// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/netbios_mailslot_network.h"

#include "base/log.h"
#include "netbios/mailslot_write.h"
#include "platform/host_identity.h"
#include "platform/linux/local_mailslot.h"

namespace lyr {

NetbiosMailslotNetwork::NetbiosMailslotNetwork(netbios::ServiceConfig config,
                                               SessionDatagramBuilder session_datagram)
    : service_(
          std::move(config),
          [this](std::vector<netbios::ArrivedMailslotWrite> writes) { Deliver(std::move(writes)); },
          session_datagram
              ? netbios::SessionMessageReceiver(
                    [this, build = std::move(session_datagram)](netbios::SessionMessage message) {
                        if (LogDebugEnabled("netbios")) {
                            LogLine(LogSeverity::Debug, "netbios",
                                    "a session message came from " + message.sender);
                        }
                        delivery_.Deliver(kMessengerSlot, build({std::move(message.sender),
                                                                 std::move(message.destination),
                                                                 std::move(message.text)}));
                    })
              : netbios::SessionMessageReceiver()),
      resolver_(service_) {}

void NetbiosMailslotNetwork::Deliver(std::vector<netbios::ArrivedMailslotWrite> writes) {
    // Each run of writes for one slot goes over together.
    std::vector<std::string> run;
    for (size_t i = 0; i < writes.size(); ++i) {
        if (LogDebugEnabled("netbios")) {
            LogLine(LogSeverity::Debug, "netbios",
                    "a mailslot write of " + std::to_string(writes[i].data.size()) +
                        " bytes for \"" + writes[i].slot + "\" came from the network");
        }
        run.push_back(std::move(writes[i].data));
        if (i + 1 == writes.size() || writes[i + 1].slot != writes[i].slot) {
            delivery_.Deliver(writes[i].slot, std::exchange(run, {}));
        }
    }
}

bool NetbiosMailslotNetwork::WriteRemote(const std::string& server, const std::string& slot,
                                         std::string_view data) {
    RemoteWriteFailure failure = Write(server, slot, data);
    if (failure != RemoteWriteFailure::None) {
        last_failure_ = failure;
    }
    return failure == RemoteWriteFailure::None;
}

NetbiosMailslotNetwork::SessionWrite NetbiosMailslotNetwork::WriteOverSession(
    const std::string& server, std::string_view sender, std::string_view text) {
    const auto& config = service_.Config();
    std::string target = netbios::NetbiosUpper(server);
    netbios::SessionSend send;
    send.port = config.session.port;
    send.calling = netbios::NetbiosName::Make(config.computer_name, netbios::kWorkstationSuffix);
    send.scope = config.scope;
    send.originator = std::string(sender);
    send.text = std::string(text);
    SessionWrite result;
    auto fail = [&](RemoteWriteFailure failure) {
        last_failure_ = failure;
        result.failure = failure;
        return result;
    };
    if (target == "." || target == config.computer_name) {
        send.address = 0x7F000001;
        send.called = netbios::NetbiosName::Make(config.computer_name, netbios::kMessengerSuffix);
    } else if (auto address = netbios::ParseAddress(target)) {
        // The messenger name the computer there holds, as for a mailslot write to an address.
        auto status = service_.QueryNodeStatus(*address);
        if (!status) {
            return fail(service_.Status().can_send ? RemoteWriteFailure::NameNotFound
                                                   : RemoteWriteFailure::NoNetwork);
        }
        for (const auto& entry : status->names) {
            if (entry.name.Suffix() == netbios::kMessengerSuffix &&
                !(entry.flags & netbios::kNameGroup)) {
                send.called = entry.name;
                break;
            }
        }
        if (send.called.Suffix() != netbios::kMessengerSuffix) {
            return fail(RemoteWriteFailure::NameNotFound);
        }
        send.address = *address;
    } else {
        auto resolved = resolver_.Resolve(target);
        if (!resolved) {
            return fail(service_.Status().can_send ? RemoteWriteFailure::NameNotFound
                                                   : RemoteWriteFailure::NoNetwork);
        }
        // A session reaches one computer; a group is written to by datagram.
        if (resolved->kind == netbios::ResolvedTarget::Kind::Group) {
            return fail(RemoteWriteFailure::NotSent);
        }
        send.address = resolved->address;
        send.called = netbios::NetbiosName::Make(NetbiosNameFromHostName(target).value_or(target),
                                                 netbios::kMessengerSuffix);
    }
    send.destination = send.called.Base();
    result.outcome = netbios::SendSessionMessage(send);
    return result;
}

RemoteWriteFailure NetbiosMailslotNetwork::SentOrNot(bool sent) const {
    if (sent) {
        return RemoteWriteFailure::None;
    }
    return service_.Status().can_send ? RemoteWriteFailure::NotSent : RemoteWriteFailure::NoNetwork;
}

RemoteWriteFailure NetbiosMailslotNetwork::Write(const std::string& server, const std::string& slot,
                                                 std::string_view data) {
    // One datagram or nothing: mailslot writes are never split.
    if (slot.empty() || data.size() > netbios::MaxMailslotDataSize(slot)) {
        return RemoteWriteFailure::TooLarge;
    }
    const auto& config = service_.Config();
    std::string target = netbios::NetbiosUpper(server);
    std::string mailslot_name = netbios::MailslotNameOf(slot);
    if (target == "*" || target == config.workgroup) {
        return WriteToGroup(
            netbios::NetbiosName::Make(config.workgroup, netbios::kWorkstationSuffix),
            mailslot_name, slot, data);
    }
    if (target == "." || target == config.computer_name) {
        return WriteLocalMailslot(slot, data) == LocalWriteResult::Written
                   ? RemoteWriteFailure::None
                   : RemoteWriteFailure::NotSent;
    }
    if (auto address = netbios::ParseAddress(target)) {
        return WriteToAddress(*address, mailslot_name, data);
    }
    auto resolved = resolver_.Resolve(target);
    if (!resolved) {
        return service_.Status().can_send ? RemoteWriteFailure::NameNotFound
                                          : RemoteWriteFailure::NoNetwork;
    }
    if (resolved->kind == netbios::ResolvedTarget::Kind::Group) {
        return WriteToGroup(netbios::NetbiosName::Make(target, netbios::kWorkstationSuffix),
                            mailslot_name, slot, data);
    }
    // A host name found through DNS is addressed by its first label, as its NetBIOS name is.
    std::string netbios_target = NetbiosNameFromHostName(target).value_or(target);
    auto smb = netbios::BuildMailslotWrite(mailslot_name, data);
    if (!smb) {
        return RemoteWriteFailure::TooLarge;
    }
    return SentOrNot(
        service_.SendDatagram(netbios::DatagramType::DirectUnique,
                              netbios::NetbiosName::Make(netbios_target, netbios::kMessengerSuffix),
                              resolved->address, *smb));
}

// A computer given by its address is written to by the messenger name it holds, which it tells
// when asked for its node status: a datagram to any other name would be dropped there.
RemoteWriteFailure NetbiosMailslotNetwork::WriteToAddress(uint32_t address,
                                                          const std::string& mailslot_name,
                                                          std::string_view data) {
    auto status = service_.QueryNodeStatus(address);
    if (!status) {
        return service_.Status().can_send ? RemoteWriteFailure::NameNotFound
                                          : RemoteWriteFailure::NoNetwork;
    }
    for (const auto& entry : status->names) {
        if (entry.name.Suffix() == netbios::kMessengerSuffix &&
            !(entry.flags & netbios::kNameGroup)) {
            auto smb = netbios::BuildMailslotWrite(mailslot_name, data);
            if (!smb) {
                return RemoteWriteFailure::TooLarge;
            }
            return SentOrNot(service_.SendDatagram(netbios::DatagramType::DirectUnique, entry.name,
                                                   address, *smb));
        }
    }
    return RemoteWriteFailure::NameNotFound;
}

RemoteWriteFailure NetbiosMailslotNetwork::WriteToGroup(const netbios::NetbiosName& group,
                                                        const std::string& mailslot_name,
                                                        const std::string& slot,
                                                        std::string_view data) {
    auto smb = netbios::BuildMailslotWrite(mailslot_name, data);
    if (!smb) {
        return RemoteWriteFailure::TooLarge;
    }
    bool sent =
        service_.SendDatagram(netbios::DatagramType::DirectGroup, group, std::nullopt, *smb);
    bool local = WriteLocalMailslot(slot, data) == LocalWriteResult::Written;
    if (sent || local) {
        return RemoteWriteFailure::None;
    }
    return service_.Status().can_send ? RemoteWriteFailure::NoBroadcast
                                      : RemoteWriteFailure::NoNetwork;
}

}  // namespace lyr
