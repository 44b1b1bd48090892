// SPDX-License-Identifier: GPL-3.0-or-later
// The service's UDP sockets: opened, taken over, read in batches and written to.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "netbios/netbios_service_shared.h"

namespace lyr::netbios {
namespace {

constexpr auto kInterfacesLifetime = std::chrono::seconds(2);

sockaddr_in SocketAddress(uint32_t address, uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_addr.s_addr = htonl(address);
    result.sin_port = htons(port);
    return result;
}

// Owner's sockets, or the port that could not be had and why.
struct OwnerPorts {
    UniqueFd name_socket;
    UniqueFd datagram_socket;
    uint16_t failed_port = 0;
    int error = 0;
};

// A UDP socket bound to 0.0.0.0:port (0 = any free port), non-blocking, able to broadcast and
// to tell on which local address a packet arrived. -1 and errno on failure.
int OpenUdpSocket(uint16_t port, int receive_buffer) {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    // Every datagram read then says how many the kernel dropped for want of buffer room.
    ::setsockopt(fd, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on);
    if (receive_buffer > 0) {
        // Beyond net.core.rmem_max only with CAP_NET_ADMIN; the plain call gets what it may.
        if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &receive_buffer, sizeof receive_buffer) !=
            0) {
            ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
        }
    }
    sockaddr_in address = SocketAddress(INADDR_ANY, port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

OwnerPorts BindOwnerPorts(const ServiceConfig& config) {
    OwnerPorts ports;
    ports.name_socket.reset(OpenUdpSocket(config.name_service_port, 0));
    if (!ports.name_socket) {
        ports.failed_port = config.name_service_port;
        ports.error = errno;
        return ports;
    }
    ports.datagram_socket.reset(
        OpenUdpSocket(config.datagram_port, config.datagram_receive_buffer));
    if (!ports.datagram_socket) {
        ports.failed_port = config.datagram_port;
        ports.error = errno;
        ports.name_socket.reset();
    }
    return ports;
}

// Puts `fresh` in the place of `kept`: the number stays, so that senders on other threads go
// on with it unawares.
void Adopt(UniqueFd fresh, UniqueFd& kept) {
    if (!kept) {
        kept = std::move(fresh);
        return;
    }
    ::dup2(fresh.get(), kept.get());
}

thread_local bool t_on_service_thread = false;

enum class SendResult { Sent, Full, Failed };

SendResult SendTo(int fd, std::string_view bytes, uint32_t address, uint16_t port) {
    sockaddr_in target = SocketAddress(address, port);
    ssize_t sent;
    do {
        sent = ::sendto(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                        reinterpret_cast<sockaddr*>(&target), sizeof target);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0 && (errno == EAGAIN || errno == ENOBUFS)) {
        if (t_on_service_thread) {
            return SendResult::Full;
        }
        // The send buffer is full during a burst: a sender of ours waits for room rather than
        // lose the datagram; the service thread drops it (the caller counts it).
        pollfd entry{fd, POLLOUT, 0};
        if (::poll(&entry, 1, 1000) == 1) {
            sent = ::sendto(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                            reinterpret_cast<sockaddr*>(&target), sizeof target);
        }
    }
    return sent == static_cast<ssize_t>(bytes.size()) ? SendResult::Sent : SendResult::Failed;
}

}  // namespace

void MarkServiceThread() {
    t_on_service_thread = true;
}

size_t NetbiosService::ReceiveBatch::Read(int fd) {
    for (size_t i = 0; i < kReceiveBatch; ++i) {
        vectors[i] = {room.get() + i * kMaxPacket, kMaxPacket};
        msghdr& message = headers[i].msg_hdr;
        message = {};
        message.msg_name = &from[i];
        message.msg_namelen = sizeof from[i];
        message.msg_iov = &vectors[i];
        message.msg_iovlen = 1;
        message.msg_control = controls[i].bytes;
        message.msg_controllen = sizeof controls[i].bytes;
    }
    int count;
    do {
        count = ::recvmmsg(fd, headers.data(), kReceiveBatch, 0, nullptr);
    } while (count < 0 && errno == EINTR);
    return count < 0 ? 0 : static_cast<size_t>(count);
}

NetbiosService::ReceiveBatch::Packet NetbiosService::ReceiveBatch::operator[](size_t i) {
    Packet result;
    result.bytes = std::string_view(room.get() + i * kMaxPacket, headers[i].msg_len);
    result.source = ntohl(from[i].sin_addr.s_addr);
    result.source_port = ntohs(from[i].sin_port);
    msghdr* message = &headers[i].msg_hdr;
    for (cmsghdr* header = CMSG_FIRSTHDR(message); header; header = CMSG_NXTHDR(message, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(header), sizeof info);
            result.local_address = ntohl(info.ipi_spec_dst.s_addr);
        } else if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SO_RXQ_OVFL) {
            uint32_t drops;
            std::memcpy(&drops, CMSG_DATA(header), sizeof drops);
            result.kernel_drops = drops;
        }
    }
    return result;
}

void NetbiosService::OpenSockets() {
    if (config_.mode == ServiceMode::Owner) {
        auto ports = BindOwnerPorts(config_);
        if (ports.failed_port == 0) {
            name_socket_ = std::move(ports.name_socket);
            datagram_socket_ = std::move(ports.datagram_socket);
            status_.network_owner = true;
            status_.can_send = true;
            return;
        }
        NotePortProblem(ports.failed_port, ports.error);
    }
    // A client, or an owner without its ports: resolve and send from ports of our own.
    name_socket_.reset(OpenUdpSocket(0, 0));
    datagram_socket_.reset(OpenUdpSocket(0, 0));
    status_.can_send = name_socket_ && datagram_socket_;
    if (!status_.can_send && status_.problem.empty()) {
        status_.error_number = errno;
        status_.problem = std::string("No UDP socket can be opened (") + std::strerror(errno) +
                          "): messages can reach only this computer.";
    }
}

void NetbiosService::TakeOverPorts() {
    auto ports = BindOwnerPorts(config_);
    if (ports.failed_port != 0) {
        // Another holder, perhaps: the status names whoever holds the port now.
        auto before = Status();
        NotePortProblem(ports.failed_port, ports.error);
        if (Status().problem != before.problem) {
            StatusChanged();
        }
        return;
    }
    Adopt(std::move(ports.name_socket), name_socket_);
    Adopt(std::move(ports.datagram_socket), datagram_socket_);
    {
        std::lock_guard lock(mutex_);
        status_.network_owner = true;
        status_.can_send = true;
        status_.failed_port = 0;
        status_.error_number = 0;
        status_.problem.clear();
        port_holder_.reset();
    }
    Log("UDP ports " + std::to_string(config_.name_service_port) + " and " +
        std::to_string(config_.datagram_port) +
        " are free now and taken over: this computer receives from the network");
    StartOwnerDuties();
    StatusChanged();
}

std::shared_ptr<const std::vector<Ipv4Interface>> NetbiosService::Interfaces() const {
    // Addresses change seldom, and a burst must not ask the kernel for them, nor copy them, per
    // datagram.
    std::lock_guard lock(interfaces_mutex_);
    auto now = Now();
    if (!cached_interfaces_ || (!config_.interfaces && now >= interfaces_expire_)) {
        cached_interfaces_ = std::make_shared<const std::vector<Ipv4Interface>>(
            config_.interfaces ? *config_.interfaces : ListIpv4Interfaces());
        interfaces_expire_ = now + kInterfacesLifetime;
    }
    return cached_interfaces_;
}

bool NetbiosService::IsOwnAddress(uint32_t address) const {
    for (const auto& interface : *Interfaces()) {
        if (interface.address == address) {
            return true;
        }
    }
    return false;
}

void NetbiosService::Wake() {
    uint64_t one = 1;
    if (wake_fd_) {
        [[maybe_unused]] ssize_t written = ::write(wake_fd_.get(), &one, sizeof one);
    }
}

bool NetbiosService::AnyBroadcastInterface() const {
    auto interfaces = Interfaces();
    return std::any_of(interfaces->begin(), interfaces->end(),
                       [](const auto& interface) { return interface.CarriesBroadcasts(); });
}

bool NetbiosService::Send(int fd, std::string_view bytes, uint32_t address, uint16_t port) {
    // A full send buffer drops the packet: this thread answers and defends our names and does
    // not wait for room.
    return SendTo(fd, bytes, address, port) == SendResult::Sent;
}

}  // namespace lyr::netbios
