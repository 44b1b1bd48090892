// SPDX-License-Identifier: GPL-3.0-or-later
// What the files of NetbiosService share: the limits of what it reads, the batch read of a
// socket, and a name query in flight. Included by those files alone.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <array>
#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <string_view>

#include "netbios/netbios_service.h"

namespace lyr::netbios {

inline constexpr size_t kMaxPacket = 65536;
// Datagrams handled per wake-up before the name service gets its turn again.
inline constexpr size_t kDatagramBatch = 256;
// Packets read per call: a burst costs one system call per this many.
inline constexpr size_t kReceiveBatch = 16;
// The longest mailslot write taken from the network. A messenger datagram is two names and at
// most 400 characters, and one RFC 1002 datagram carries 512 bytes with the SMB header: no real
// peer writes more than about 450 bytes. Twice that with margin; anything larger is a flood or a
// forgery and would only cost memory and the UI thread's time.
inline constexpr size_t kLongestNetworkMailslotData = 1024;

struct NetbiosService::PendingQuery {
    NetbiosName name;
    std::optional<uint32_t> node_status_of;  // a node status request to this address
    size_t step = 0;  // the name server asked now; past the last one: broadcasts
    uint16_t transaction_id = 0;
    int tries_sent = 0;
    std::chrono::steady_clock::time_point next_try;
    std::promise<std::optional<QueryAnswer>> answer;
};

// Room for a batch of packets of the largest size, kept between wake-ups. Left uninitialised:
// only the pages the kernel writes to are ever touched.
struct NetbiosService::ReceiveBatch {
    struct Packet {
        std::string_view bytes;  // valid until the next read of the batch
        uint32_t source = 0;
        uint16_t source_port = 0;
        uint32_t local_address = 0;  // the address the packet was sent to us by, from IP_PKTINFO
        // The socket's count of datagrams the kernel dropped so far, from SO_RXQ_OVFL (sent
        // only once it is not zero).
        std::optional<uint32_t> kernel_drops;
    };
    struct alignas(cmsghdr) Control {
        char bytes[CMSG_SPACE(sizeof(in_pktinfo)) + CMSG_SPACE(sizeof(uint32_t))];
    };

    // Reads what waits now, at most a batch; 0 when nothing does.
    size_t Read(int fd);
    Packet operator[](size_t i);

    std::unique_ptr<char[]> room =
        std::make_unique_for_overwrite<char[]>(kReceiveBatch * kMaxPacket);
    std::array<sockaddr_in, kReceiveBatch> from{};
    std::array<iovec, kReceiveBatch> vectors{};
    std::array<Control, kReceiveBatch> controls{};
    std::array<mmsghdr, kReceiveBatch> headers{};
};

// From now on the calling thread is a service's thread: it answers and defends names, and must
// never wait for room in a send buffer.
void MarkServiceThread();

}  // namespace lyr::netbios
