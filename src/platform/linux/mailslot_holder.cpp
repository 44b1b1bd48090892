// SPDX-License-Identifier: GPL-3.0-or-later
// The holder of a local queue: its socket found through sock_diag (the kernel's own list of
// Unix sockets, with each one's owner), its process through the descriptors /proc shows.
#include "platform/mailslot_holder.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <linux/unix_diag.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <optional>

#include "base/unique_fd.h"
#include "netbios/port_holder.h"
#include "platform/linux/local_mailslot.h"

namespace lyr {
namespace {

struct BoundSocket {
    unsigned inode = 0;
    std::optional<uid_t> owner;
};

// The Unix socket bound to `name` (an abstract name, its leading NUL included), as the kernel
// lists it; nothing when none is, or the list cannot be had.
std::optional<BoundSocket> FindBoundSocket(std::string_view name) {
    UniqueFd diag(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
    if (!diag) {
        return std::nullopt;
    }
    struct {
        nlmsghdr header;
        unix_diag_req request;
    } ask{};
    ask.header.nlmsg_len = sizeof ask;
    ask.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    ask.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    ask.request.sdiag_family = AF_UNIX;
    ask.request.udiag_states = ~0u;
    ask.request.udiag_show = UDIAG_SHOW_NAME | UDIAG_SHOW_UID;
    if (::send(diag.get(), &ask, sizeof ask, 0) != static_cast<ssize_t>(sizeof ask)) {
        return std::nullopt;
    }
    alignas(nlmsghdr) char buffer[32768];
    for (;;) {
        const ssize_t got = ::recv(diag.get(), buffer, sizeof buffer, 0);
        if (got <= 0) {
            return std::nullopt;
        }
        int left = static_cast<int>(got);
// The kernel's NLMSG_OK compares the unsigned nlmsg_len with the int the macros count in.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-compare"
        for (auto* message = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(message, left);
             message = NLMSG_NEXT(message, left)) {
#pragma GCC diagnostic pop
            if (message->nlmsg_type == NLMSG_DONE || message->nlmsg_type == NLMSG_ERROR) {
                return std::nullopt;
            }
            if (message->nlmsg_len < NLMSG_LENGTH(sizeof(unix_diag_msg))) {
                continue;
            }
            const auto* socket = static_cast<const unix_diag_msg*>(NLMSG_DATA(message));
            BoundSocket found{socket->udiag_ino, std::nullopt};
            bool named = false;
            int attributes_left =
                static_cast<int>(message->nlmsg_len - NLMSG_LENGTH(sizeof(unix_diag_msg)));
            for (auto* attribute = reinterpret_cast<const rtattr*>(socket + 1);
                 RTA_OK(attribute, attributes_left);
                 attribute = RTA_NEXT(attribute, attributes_left)) {
                const auto* data = static_cast<const char*>(RTA_DATA(attribute));
                const size_t size = RTA_PAYLOAD(attribute);
                if (attribute->rta_type == UNIX_DIAG_NAME) {
                    named = std::string_view(data, size) == name;
                } else if (attribute->rta_type == UNIX_DIAG_UID && size >= sizeof(uint32_t)) {
                    uint32_t uid = 0;
                    std::memcpy(&uid, data, sizeof uid);
                    found.owner = uid;
                }
            }
            if (named) {
                return found;
            }
        }
    }
}

}  // namespace

std::string DescribeMailslotHolder(std::string_view slot) {
    const LocalMailslotAddress address = MakeLocalMailslotAddress(slot);
    const std::string_view name(address.address.sun_path,
                                address.length - offsetof(sockaddr_un, sun_path));
    const std::optional<BoundSocket> socket = FindBoundSocket(name);
    if (!socket) {
        return "неизвестная программа (система не дает узнать какая)";
    }
    const netbios::PortHolder holder = netbios::FindSocketHolder(socket->inode, socket->owner);
    const std::string user = holder.other_user ? ", пользователь " + holder.user : "";
    if (holder.program.empty()) {
        return "программа, которую система не дает узнать" + user;
    }
    return holder.program + " (процесс " + std::to_string(holder.process) + ")" + user;
}

}  // namespace lyr
