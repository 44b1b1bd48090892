// SPDX-License-Identifier: GPL-3.0-or-later
// The name service: our names registered, defended and released, and the questions of others
// and ours answered.
#include <poll.h>

#include <algorithm>

#include "netbios/netbios_service_shared.h"

namespace lyr::netbios {
namespace {

using Clock = std::chrono::steady_clock;

// How long the end waits for a name server to take back our names, per try.
constexpr auto kReleaseWait = std::chrono::milliseconds(250);
constexpr int kReleaseTries = 2;

}  // namespace

void NetbiosService::RegisterRefusedNamesAgain(Clock::time_point now) {
    std::unique_lock lock(mutex_);
    for (size_t i = 0; i < names_.size(); ++i) {
        HeldName& held = names_[i];
        if (held.group || (held.state != NameState::Refused && held.state != NameState::Conflict)) {
            continue;
        }
        Log("registering " + held.name.ToString() + " again, refused by " +
            FormatAddress(held.refused_by) + " before");
        held.state = NameState::Registering;
        registrations_.push_back({i, NextTransactionId(), 0, now});
        if (i < server_registrations_.size()) {
            ServerRegistration& at_server = server_registrations_[i];
            at_server.step = ServerRegistration::Step::Registering;
            at_server.server = 0;
            at_server.transaction_id = NextTransactionId();
            at_server.tries_sent = 0;
            at_server.next_try = now;
        }
    }
    // Announcing waits until the computer's name is ours again.
    announcing_settled_ = false;
    lock.unlock();
    StatusChanged();
}

std::vector<HeldName> NetbiosService::Names() const {
    std::lock_guard lock(mutex_);
    return names_;
}

bool NetbiosService::WaitForRegistration(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return names_changed_.wait_for(lock, timeout, [this] {
        return std::none_of(names_.begin(), names_.end(), [](const HeldName& name) {
            return name.state == NameState::Registering;
        });
    });
}

uint16_t NetbiosService::NextTransactionId() {
    return next_transaction_id_++;
}

uint16_t NetbiosService::NameServerPort() const {
    return config_.name_server_port ? config_.name_server_port : config_.name_service_port;
}

std::optional<QueryAnswer> NetbiosService::QueryName(const NetbiosName& name) {
    // Without a server or an interface that carries broadcasts nobody could hear the query.
    if (!name_socket_ || (config_.name_servers.empty() && !AnyBroadcastInterface())) {
        return std::nullopt;
    }
    auto query = std::make_shared<PendingQuery>();
    query->name = name;
    return Ask(std::move(query));
}

std::optional<QueryAnswer> NetbiosService::QueryNodeStatus(uint32_t address) {
    if (!name_socket_) {
        return std::nullopt;
    }
    auto query = std::make_shared<PendingQuery>();
    query->name = NetbiosName::Wildcard();
    query->node_status_of = address;
    return Ask(std::move(query));
}

std::optional<QueryAnswer> NetbiosService::Ask(std::shared_ptr<PendingQuery> query) {
    auto answer = query->answer.get_future();
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return std::nullopt;
        }
        new_queries_.push_back(query);
    }
    Wake();
    return answer.get();
}

void NetbiosService::SendNamePacket(const NamePacket& packet, uint32_t address, uint16_t port) {
    if (auto bytes = BuildNamePacket(packet)) {
        Send(name_socket_.get(), *bytes, address, port);
    }
}

void NetbiosService::BroadcastNamePacket(const std::function<NamePacket(uint32_t)>& make) {
    for (const auto& interface : *Interfaces()) {
        if (interface.CarriesBroadcasts()) {
            SendNamePacket(make(interface.address), interface.broadcast, config_.name_service_port);
        }
    }
}

void NetbiosService::SendRegistrationRound(Registration& registration) {
    HeldName held;
    {
        std::lock_guard lock(mutex_);
        held = names_[registration.name_index];
    }
    ++registration.tries_sent;
    registration.next_try = Now() + config_.registration_interval;
    ScopedName name{held.name, config_.scope};
    BroadcastNamePacket([&](uint32_t own) {
        return MakeRegistrationRequest(
            registration.transaction_id, name,
            {static_cast<uint16_t>((held.group ? kNameGroup : 0) | NodeType()), own},
            config_.ttl_seconds);
    });
}

void NetbiosService::ReleaseNames() {
    if (!status_.network_owner) {
        return;
    }
    for (const auto& held : Names()) {
        if (held.state != NameState::Registered) {
            continue;
        }
        uint16_t id = NextTransactionId();
        ScopedName name{held.name, config_.scope};
        BroadcastNamePacket([&](uint32_t own) {
            return MakeReleaseRequest(
                id, name, {static_cast<uint16_t>((held.group ? kNameGroup : 0) | NodeType()), own});
        });
    }
    ReleaseAtNameServers();
}

void NetbiosService::ReleaseAtNameServers() {
    struct Release {
        uint32_t server = 0;
        NamePacket packet;
    };
    std::vector<Release> releases;
    for (const auto& registration : server_registrations_) {
        if (registration.step != ServerRegistration::Step::Held) {
            continue;
        }
        HeldName held;
        {
            std::lock_guard lock(mutex_);
            held = names_[registration.name_index];
        }
        uint32_t server = config_.name_servers[registration.server];
        NameOwner owner{static_cast<uint16_t>((held.group ? kNameGroup : 0) | NodeType()),
                        AddressFacing(*Interfaces(), server).value_or(0)};
        releases.push_back({server, MakeReleaseRequest(NextTransactionId(),
                                                       {held.name, config_.scope}, owner, false)});
    }
    // Waited for briefly, so that the names are free at once for whoever comes next; a server
    // that does not answer lets them expire.
    for (int round = 0; round < kReleaseTries && !releases.empty(); ++round) {
        for (const auto& release : releases) {
            SendNamePacket(release.packet, release.server, NameServerPort());
        }
        auto deadline = Clock::now() + kReleaseWait;
        while (!releases.empty()) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd entry{name_socket_.get(), POLLIN, 0};
            if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) != 1) {
                break;
            }
            while (size_t count = receive_batch_->Read(name_socket_.get())) {
                for (size_t i = 0; i < count; ++i) {
                    ReceiveBatch::Packet received = (*receive_batch_)[i];
                    auto packet = ParseNamePacket(received.bytes);
                    if (!packet || !packet->IsResponse() ||
                        packet->Opcode() != NameOpcode::Release) {
                        continue;
                    }
                    std::erase_if(releases, [&](const Release& release) {
                        return release.server == received.source &&
                               release.packet.transaction_id == packet->transaction_id;
                    });
                }
            }
        }
    }
}

void NetbiosService::ReceiveNamePackets() {
    for (size_t handled = 0; handled < kDatagramBatch;) {
        const size_t count = receive_batch_->Read(name_socket_.get());
        if (count == 0) {
            return;
        }
        handled += count;
        for (size_t i = 0; i < count; ++i) {
            ReceiveBatch::Packet received = (*receive_batch_)[i];
            // Our own broadcasts come back to us.
            if (received.source_port == config_.name_service_port && status_.network_owner &&
                IsOwnAddress(received.source)) {
                continue;
            }
            if (auto packet = ParseNamePacket(received.bytes)) {
                HandleNamePacket(*packet, received.source, received.source_port,
                                 received.local_address);
            }
        }
        if (count < kReceiveBatch) {
            return;  // the socket is empty, as with datagrams
        }
    }
}

void NetbiosService::HandleNamePacket(const NamePacket& packet, uint32_t source,
                                      uint16_t source_port, uint32_t local_address) {
    if (packet.IsResponse()) {
        HandleResponse(packet, source);
    } else if (status_.network_owner) {
        HandleRequest(packet, source, source_port, local_address);
    }
}

bool NetbiosService::HoldsActive(const NetbiosName& name, bool* group, bool or_registering) const {
    std::lock_guard lock(mutex_);
    for (const auto& held : names_) {
        if (held.name == name && (held.state == NameState::Registered ||
                                  (or_registering && held.state == NameState::Registering))) {
            if (group) {
                *group = held.group;
            }
            return true;
        }
    }
    return false;
}

NodeStatus NetbiosService::OurNodeStatus() const {
    NodeStatus status;
    std::lock_guard lock(mutex_);
    for (const auto& held : names_) {
        if (held.state == NameState::Registered || held.state == NameState::Conflict) {
            uint16_t flags = kNameActive | (held.group ? kNameGroup : 0) |
                             (held.state == NameState::Conflict ? kNameConflict : 0);
            status.names.push_back({held.name, flags});
        }
    }
    return status;
}

void NetbiosService::HandleRequest(const NamePacket& packet, uint32_t source, uint16_t source_port,
                                   uint32_t local_address) {
    if (packet.questions.empty()) {
        return;
    }
    const NameQuestion& question = packet.questions.front();
    if (question.name.scope != config_.scope) {
        return;
    }
    uint32_t own = AddressFacing(*Interfaces(), source).value_or(local_address);
    const bool broadcast = packet.flags & kFlagBroadcast;
    bool group = false;
    switch (packet.Opcode()) {
        case NameOpcode::Query:
            if (question.type == kTypeNbStat) {
                if (question.name.name == NetbiosName::Wildcard() ||
                    HoldsActive(question.name.name)) {
                    if (auto response = MakeNodeStatusResponse(packet.transaction_id, question.name,
                                                               OurNodeStatus())) {
                        SendNamePacket(*response, source, source_port);
                    }
                }
            } else if (question.type == kTypeNb) {
                if (HoldsActive(question.name.name, &group)) {
                    SendNamePacket(
                        MakePositiveQueryResponse(
                            packet.transaction_id, question.name, config_.ttl_seconds,
                            {{static_cast<uint16_t>((group ? kNameGroup : 0) | NodeType()), own}}),
                        source, source_port);
                } else if (!broadcast) {
                    SendNamePacket(MakeNegativeQueryResponse(packet.transaction_id, question.name),
                                   source, source_port);
                }
            }
            break;
        case NameOpcode::Registration: {
            // Defend: nobody may take a unique name of ours, nor make a group name of it.
            if (packet.additional.empty() || !HoldsActive(question.name.name, &group)) {
                break;
            }
            // The answer carries the claimant's own record, as RFC 1002 nodes send it; that
            // it comes from us tells who holds the name.
            auto owners = ParseNameOwners(packet.additional.front().data);
            NameOwner claim = owners ? owners->front() : NameOwner{0, source};
            if (!group || !claim.IsGroup()) {
                SendNamePacket(
                    MakeNegativeRegistrationResponse(packet.transaction_id, question.name, claim),
                    source, source_port);
            }
            break;
        }
        case NameOpcode::Release:
            // Only the holder gives a name back; a demand that we give ours up is not obeyed.
            if (HoldsActive(question.name.name, &group) && !group) {
                LogIgnored("ignored: " + FormatAddress(source) + " asks to release our name " +
                           question.name.name.ToString());
            }
            break;
        default:
            break;
    }
}

void NetbiosService::HandleResponse(const NamePacket& packet, uint32_t source) {
    if (packet.Opcode() == NameOpcode::Query && packet.Rcode() != 0) {
        // A name server that does not know the name: the next server, at last the subnet.
        for (auto& query : queries_) {
            if (query->transaction_id == packet.transaction_id && !query->node_status_of &&
                query->step < config_.name_servers.size() &&
                config_.name_servers[query->step] == source) {
                ++query->step;
                query->tries_sent = 0;
                query->next_try = Now();
            }
        }
        return;
    }
    if (HandleServerResponse(packet, source) || packet.answers.empty()) {
        return;
    }
    const ResourceRecord& answer = packet.answers.front();
    if (packet.Opcode() == NameOpcode::Query && packet.Rcode() == 0 && answer.type == kTypeNbStat) {
        auto status = ParseNodeStatus(answer.data);
        for (auto it = queries_.begin(); it != queries_.end(); ++it) {
            auto& query = **it;
            if (query.transaction_id == packet.transaction_id && query.node_status_of == source &&
                status) {
                query.answer.set_value(QueryAnswer{source, false, std::move(status->names)});
                queries_.erase(it);
                return;
            }
        }
        return;
    }
    auto owners = ParseNameOwners(answer.data);
    if (packet.Opcode() == NameOpcode::Query && packet.Rcode() == 0 && answer.type == kTypeNb) {
        for (auto it = queries_.begin(); it != queries_.end(); ++it) {
            auto& query = **it;
            if (query.transaction_id == packet.transaction_id && !query.node_status_of &&
                query.name == answer.name.name && owners) {
                query.answer.set_value(
                    QueryAnswer{owners->front().address, owners->front().IsGroup(), {}});
                queries_.erase(it);
                return;
            }
        }
        return;
    }
    if (packet.Opcode() != NameOpcode::Registration || packet.Rcode() == 0) {
        return;
    }
    // A refusal carries the record of our own request; the holder is the node it comes from.
    uint32_t owner = source;
    std::unique_lock lock(mutex_);
    for (auto it = registrations_.begin(); it != registrations_.end(); ++it) {
        HeldName& held = names_[it->name_index];
        if (it->transaction_id == packet.transaction_id && held.name == answer.name.name) {
            if (held.group) {
                // A group has many members: its messages are broadcast and reach us anyway.
                lock.unlock();
                Log("the group name " + held.name.ToString() + " was refused by " +
                    FormatAddress(owner) + "; kept, as its messages reach every member");
                return;
            }
            held.state = NameState::Refused;
            held.refused_by = owner;
            held.refused_by_name_server = false;
            size_t index = it->name_index;
            registrations_.erase(it);
            lock.unlock();
            Log("the name " + held.name.ToString() + " is held by " + FormatAddress(owner) +
                ": what is sent to it does not reach this computer; it is registered again later");
            StatusChanged();
            if (index < server_registrations_.size()) {
                auto& at_server = server_registrations_[index];
                if (at_server.step == ServerRegistration::Step::Held) {
                    // The server gave us a name the subnet refuses: give it back.
                    NamePacket release = MakeReleaseRequest(
                        NextTransactionId(), {held.name, config_.scope},
                        {static_cast<uint16_t>((held.group ? kNameGroup : 0) | NodeType()),
                         AddressFacing(*Interfaces(), config_.name_servers[at_server.server])
                             .value_or(0)},
                        false);
                    SendNamePacket(release, config_.name_servers[at_server.server],
                                   NameServerPort());
                }
                at_server.step = ServerRegistration::Step::Dropped;
            }
            return;
        }
    }
    // The holder answers each of our rounds; the first answer settled it.
    bool late_answer = std::any_of(names_.begin(), names_.end(), [&](const HeldName& held) {
        return held.name == answer.name.name && held.state == NameState::Refused &&
               held.refused_by == source;
    });
    lock.unlock();
    if (late_answer) {
        return;
    }
    // Anybody can send a conflict demand or a refusal; that it answers no request of ours
    // tells it apart from a real one, so a forged packet takes no name from us.
    LogIgnored(
        "ignored: a name " +
        std::string(packet.Rcode() == kRcodeConflict ? "conflict demand" : "registration refusal") +
        " for " + answer.name.name.ToString() + " from " + FormatAddress(source) +
        " that answers no registration of ours");
}

}  // namespace lyr::netbios
