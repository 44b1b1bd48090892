// SPDX-License-Identifier: GPL-3.0-or-later
// The datagram service: mailslot writes sent, and those that arrive handed over or, for the
// browser's slots, kept in the browse list.
#include "netbios/mailslot_write.h"
#include "netbios/netbios_service_shared.h"

namespace lyr::netbios {

bool NetbiosService::RequestAnnouncements() {
    if (!Status().network_owner) {
        return false;
    }
    auto frame = BuildAnnouncementRequest({config_.computer_name});
    auto smb = frame ? BrowserMailslotWrite(*frame) : std::nullopt;
    return smb && SendDatagram(DatagramType::DirectGroup,
                               NetbiosName::Make(config_.workgroup, kWorkstationSuffix),
                               std::nullopt, *smb);
}

std::optional<NetbiosService::BackupList> NetbiosService::AskForBackupList(
    std::chrono::milliseconds timeout) {
    if (!Status().network_owner) {
        return std::nullopt;
    }
    std::unique_lock lock(backup_list_mutex_);
    // A token of our own, so that an answer to an earlier question or to another computer is
    // not taken; never 0, which stands for no question.
    backup_list_token_ = std::max<uint32_t>(1, backup_list_token_ + 1);
    backup_list_.reset();
    auto smb = BrowserMailslotWrite(BuildGetBackupListRequest({4, backup_list_token_}));
    lock.unlock();
    if (!smb || !SendDatagram(DatagramType::DirectGroup,
                              NetbiosName::Make(config_.workgroup, kMasterBrowserSuffix),
                              std::nullopt, *smb)) {
        return std::nullopt;
    }
    lock.lock();
    backup_list_arrived_.wait_for(lock, timeout, [&] { return backup_list_.has_value(); });
    return std::exchange(backup_list_, std::nullopt);
}

void NetbiosService::TakeBrowserListing(const std::string& workgroup,
                                        const std::vector<BrowseComputer>& computers,
                                        const std::vector<std::string>& workgroups) {
    constexpr auto kListed = std::chrono::minutes(12);
    const auto now = Now();
    for (const auto& name : workgroups) {
        browse_list_.SeeWorkgroup(name, kListed, now);
    }
    for (auto computer : computers) {
        computer.workgroup = workgroup;
        browse_list_.SeeComputer(std::move(computer), kListed, now);
    }
    Wake();  // the expiry timer may now be due sooner
}

bool NetbiosService::SendDatagram(DatagramType type, const NetbiosName& destination,
                                  std::optional<uint32_t> address, std::string_view user_data) {
    if (!datagram_socket_) {
        return false;
    }
    auto interfaces = Interfaces();
    Datagram datagram;
    datagram.type = type;
    datagram.source = NetbiosName::Make(config_.computer_name, kWorkstationSuffix);
    datagram.destination = destination;
    datagram.scope = config_.scope;
    datagram.source_port = config_.datagram_port;
    if (NodeType() == kNodeTypeHybrid) {
        datagram.flags |= kDatagramSourceHybrid;
    }
    auto send_one = [&](uint32_t own_address, uint32_t target) {
        datagram.id = next_datagram_id_++;
        datagram.source_ip = own_address;
        auto bytes = BuildDatagram(datagram, user_data);
        return bytes && Send(datagram_socket_.get(), *bytes, target, config_.datagram_port);
    };
    if (address) {
        return send_one(AddressFacing(*interfaces, *address).value_or(0), *address);
    }
    bool any = false;
    for (const auto& interface : *interfaces) {
        if (interface.CarriesBroadcasts()) {
            any = send_one(interface.address, interface.broadcast) || any;
        }
    }
    return any;
}

void NetbiosService::ReceiveDatagrams() {
    for (size_t handled = 0; handled < kDatagramBatch;) {
        const size_t count = receive_batch_->Read(datagram_socket_.get());
        if (count == 0) {
            return;
        }
        handled += count;
        for (size_t i = 0; i < count; ++i) {
            ReceiveBatch::Packet received = (*receive_batch_)[i];
            if (received.kernel_drops) {
                NoteKernelDrops(*received.kernel_drops);
            }
            if (!status_.network_owner) {
                continue;
            }
            if (auto datagram = ParseDatagram(received.bytes)) {
                HandleDatagram(*datagram, received.source, received.source_port);
            }
        }
        // Handed over while the next batch is read: the reader wakes once for them all.
        if (!arrived_.empty()) {
            receiver_(std::exchange(arrived_, {}));
        }
        // A batch that came short emptied the socket: the next wait tells of more, without a
        // read that finds nothing.
        if (count < kReceiveBatch) {
            return;
        }
    }
}

void NetbiosService::NoteKernelDrops(uint32_t socket_count) {
    // The count belongs to the socket: one that took the place of another starts again at 0.
    if (socket_count < kernel_drops_of_socket_) {
        kernel_drops_of_socket_ = 0;
    }
    if (socket_count == kernel_drops_of_socket_) {
        return;
    }
    const bool first = kernel_drops_ == 0;
    kernel_drops_ += socket_count - kernel_drops_of_socket_;
    kernel_drops_of_socket_ = socket_count;
    if (first) {
        Log("the kernel dropped " + std::to_string(kernel_drops_.load()) +
            " datagrams for want of room in the socket's buffer; further drops are counted");
    }
}

void NetbiosService::NoteRefusedSessionMessage(uint32_t source, size_t length) {
    if (refused_session_++ == 0) {
        Log("refused: a session message of " + std::to_string(length) + " bytes from " +
            FormatAddress(source) + "; session messages longer than " +
            std::to_string(kMaxSessionMessageText) + " bytes are refused and counted from now on");
    }
}

void NetbiosService::HandleDatagram(const Datagram& datagram, uint32_t source,
                                    uint16_t source_port) {
    if (datagram.IsFragment() || datagram.scope != config_.scope) {
        return;
    }
    auto write = ParseMailslotWrite(datagram.user_data);
    auto slot = write ? SlotOfMailslotName(write->mailslot_name) : std::nullopt;
    if (!slot) {
        return;
    }
    // Browser frames go to names of others as well (WORKGROUP<1D>, the master browsers); they
    // are all heard, except our own coming back.
    if (IsBrowserSlot(*slot)) {
        if (auto backup_list = ParseGetBackupListResponse(write->data)) {
            std::lock_guard lock(backup_list_mutex_);
            if (backup_list_token_ != 0 && backup_list->token == backup_list_token_ &&
                !backup_list_) {
                backup_list_ =
                    BackupList{source, datagram.source.Base(), std::move(backup_list->servers)};
                backup_list_arrived_.notify_all();
            }
            return;
        }
        if (!(source_port == config_.datagram_port && IsOwnAddress(source))) {
            browser_->Receive(datagram, write->data, source, Now());
        }
        return;
    }
    if (!receiver_) {
        return;
    }
    if (write->data.size() > kLongestNetworkMailslotData) {
        if (refused_large_++ == 0) {
            Log("refused: a mailslot write of " + std::to_string(write->data.size()) +
                " bytes from " + FormatAddress(source) + "; writes longer than " +
                std::to_string(kLongestNetworkMailslotData) +
                " bytes are refused and counted from now on");
        }
        return;
    }
    if (datagram.type == DatagramType::Broadcast) {
        if (datagram.destination != NetbiosName::Wildcard()) {
            return;
        }
    } else if (!HoldsActive(datagram.destination, nullptr, true)) {
        return;
    }
    // A group write of this computer was delivered here when it was sent.
    if (datagram.type != DatagramType::DirectUnique && IsOwnAddress(source)) {
        return;
    }
    arrived_.push_back({std::move(*slot), std::move(write->data)});
}

}  // namespace lyr::netbios
