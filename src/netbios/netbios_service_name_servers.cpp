// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>

#include "netbios/netbios_service.h"

// The H node's part of the service: our names at the name servers (WINS).
namespace lyr::netbios {
namespace {

using Clock = std::chrono::steady_clock;

// A name server that asks us to wait for its answer is waited for at most this long.
constexpr auto kLongestAcknowledgementWait = std::chrono::seconds(120);

std::chrono::seconds RefreshInterval(std::chrono::seconds ttl) {
    return std::max<std::chrono::seconds>(ttl / 2, std::chrono::seconds(1));
}

}  // namespace

std::chrono::milliseconds NetbiosService::LongestRegistration() const {
    auto longest = config_.registration_interval * (config_.registration_tries + 1);
    if (!config_.name_servers.empty()) {
        // A server may first ask the name's present owner, and says so; a few seconds suffice.
        auto at_servers = config_.name_server_interval * config_.registration_tries *
                              static_cast<int>(config_.name_servers.size()) +
                          std::chrono::seconds(5);
        longest = std::max<std::chrono::milliseconds>(longest, at_servers);
    }
    return longest;
}

Clock::time_point NetbiosService::RunServerTimers(Clock::time_point now) {
    using Step = ServerRegistration::Step;
    auto next = Clock::time_point::max();
    for (auto& registration : server_registrations_) {
        if (registration.step != Step::Registering && registration.step != Step::Held) {
            continue;
        }
        if (registration.next_try > now) {
            next = std::min(next, registration.next_try);
            continue;
        }
        if (registration.tries_sent >= config_.registration_tries) {
            registration.tries_sent = 0;
            if (registration.step == Step::Held) {
                // The server did not take the refresh; it is tried again, and once back it
                // registers the name anew.
                registration.next_try = now + RefreshInterval(registration.ttl);
                next = std::min(next, registration.next_try);
                continue;
            }
            if (++registration.server >= config_.name_servers.size()) {
                // No server answered: the name is ours on the subnet only, as for a B node.
                registration.step = Step::Silent;
                Settle(registration.name_index);
                continue;
            }
        }
        SendToServer(registration);
        next = std::min(next, registration.next_try);
    }
    return next;
}

void NetbiosService::SendToServer(ServerRegistration& registration) {
    if (registration.tries_sent == 0 && registration.step == ServerRegistration::Step::Held) {
        registration.transaction_id = NextTransactionId();
    }
    ++registration.tries_sent;
    registration.next_try = Now() + config_.name_server_interval;
    HeldName held;
    {
        std::lock_guard lock(mutex_);
        held = names_[registration.name_index];
    }
    uint32_t server = config_.name_servers[registration.server];
    ScopedName name{held.name, config_.scope};
    NameOwner owner{static_cast<uint16_t>((held.group ? kNameGroup : 0) | NodeType()),
                    AddressFacing(*Interfaces(), server).value_or(0)};
    SendNamePacket(
        registration.step == ServerRegistration::Step::Held
            ? MakeRefreshRequest(registration.transaction_id, name, owner, config_.ttl_seconds)
            : MakeRegistrationRequest(registration.transaction_id, name, owner, config_.ttl_seconds,
                                      false),
        server, NameServerPort());
}

bool NetbiosService::HandleServerResponse(const NamePacket& packet, uint32_t source) {
    using Step = ServerRegistration::Step;
    auto opcode = packet.Opcode();
    if (packet.answers.empty() ||
        (opcode != NameOpcode::Registration && opcode != NameOpcode::Refresh &&
         opcode != NameOpcode::RefreshAlternate && opcode != NameOpcode::WaitForAcknowledgement)) {
        return false;
    }
    const ResourceRecord& answer = packet.answers.front();
    for (auto& registration : server_registrations_) {
        // A held name is asked about only while a refresh of it waits for its answer.
        bool asked = registration.step == Step::Registering ||
                     (registration.step == Step::Held && registration.tries_sent > 0);
        if (!asked || registration.transaction_id != packet.transaction_id ||
            config_.name_servers[registration.server] != source) {
            continue;
        }
        std::unique_lock lock(mutex_);
        HeldName& held = names_[registration.name_index];
        if (held.name != answer.name.name) {
            continue;
        }
        auto now = Now();
        if (opcode == NameOpcode::WaitForAcknowledgement) {
            // The server asks the name's present owner first; one more try after the wait.
            registration.next_try =
                now + std::min<std::chrono::seconds>(std::chrono::seconds(answer.ttl),
                                                     kLongestAcknowledgementWait);
            registration.tries_sent =
                std::min(registration.tries_sent, config_.registration_tries - 1);
            return true;
        }
        if (packet.Rcode() == 0) {
            bool was_registering = registration.step == Step::Registering;
            registration.step = Step::Held;
            registration.ttl = std::chrono::seconds(answer.ttl ? answer.ttl : config_.ttl_seconds);
            registration.tries_sent = 0;
            registration.next_try = now + RefreshInterval(registration.ttl);
            lock.unlock();
            if (was_registering) {
                Settle(registration.name_index);
            }
            return true;
        }
        if (held.group) {
            // A group has many members: its messages are broadcast and reach us anyway.
            bool was_registering = registration.step == Step::Registering;
            registration.step = was_registering ? Step::Silent : Step::Dropped;
            lock.unlock();
            Log("the group name " + held.name.ToString() + " was refused by the name server " +
                FormatAddress(source) + "; kept on the subnet, as its messages reach every member");
            if (was_registering) {
                Settle(registration.name_index);
            }
            return true;
        }
        if (registration.step == Step::Held) {
            // The server gave the name to another node meanwhile: we must not use it any more.
            registration.step = Step::Dropped;
            if (held.state == NameState::Registered) {
                held.state = NameState::Conflict;
                held.refused_by = source;
                held.refused_by_name_server = true;
            }
            lock.unlock();
            Log("the name server " + FormatAddress(source) + " gave the name " +
                held.name.ToString() + " to another computer; it is registered again later");
            StatusChanged();
            return true;
        }
        registration.step = Step::Refused;
        lock.unlock();
        Settle(registration.name_index);
        return true;
    }
    return false;
}

void NetbiosService::Settle(size_t name_index) {
    using Step = ServerRegistration::Step;
    ServerRegistration* at_server =
        name_index < server_registrations_.size() ? &server_registrations_[name_index] : nullptr;
    bool broadcasting = std::any_of(
        registrations_.begin(), registrations_.end(),
        [&](const Registration& registration) { return registration.name_index == name_index; });
    std::unique_lock lock(mutex_);
    HeldName& held = names_[name_index];
    if (held.state != NameState::Registering) {
        return;
    }
    if (at_server && at_server->step == Step::Refused) {
        held.state = NameState::Refused;
        held.refused_by = config_.name_servers[at_server->server];
        held.refused_by_name_server = true;
        lock.unlock();
        std::erase_if(registrations_, [&](const Registration& registration) {
            return registration.name_index == name_index;
        });
        Log("the name server " + FormatAddress(held.refused_by) + " refused the name " +
            held.name.ToString() +
            ": what is sent to it does not reach this computer; it is "
            "registered again later");
        StatusChanged();
        return;
    }
    if (broadcasting || (at_server && at_server->step == Step::Registering)) {
        return;
    }
    // Nobody objected: the name is ours; say so once.
    held.state = NameState::Registered;
    bool again = held.refused_by != 0;
    held.refused_by = 0;
    held.refused_by_name_server = false;
    HeldName copy = held;
    lock.unlock();
    if (again) {
        Log("the name " + copy.name.ToString() + " is registered now");
    }
    StatusChanged();
    ScopedName name{copy.name, config_.scope};
    uint16_t id = NextTransactionId();
    BroadcastNamePacket([&](uint32_t own) {
        return MakeOverwriteDemand(
            id, name, {static_cast<uint16_t>((copy.group ? kNameGroup : 0) | NodeType()), own},
            config_.ttl_seconds);
    });
}

}  // namespace lyr::netbios
