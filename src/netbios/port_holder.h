// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace lyr::netbios {

// Who holds a port in this network namespace. The socket tables tell the user a socket belongs
// to even when the process is another user's and cannot be looked into.
struct PortHolder {
    std::string program;  // empty when no process we may look into holds the socket
    int process = 0;
    std::string user;         // the account's name, or its uid when it has none
    bool other_user = false;  // not the user this program runs as
};
// The holder of the IPv4 UDP `port`; nothing when no socket is bound to it. `proc` is the proc
// file system (tests give another).
std::optional<PortHolder> FindUdpPortHolder(uint16_t port,
                                            const std::filesystem::path& proc = "/proc");
// The same for a TCP port that a process listens on.
std::optional<PortHolder> FindTcpPortHolder(uint16_t port,
                                            const std::filesystem::path& proc = "/proc");
// The holder of any socket, known by its inode and, where the kernel's list tells it, its owner
// (nothing: this program's user).
PortHolder FindSocketHolder(uint64_t inode, std::optional<uint32_t> owner,
                            const std::filesystem::path& proc = "/proc");
// For people: "nmbd (process 812)", with ", user root" for another user's process, or "a
// program of user root (...)" when its process cannot be seen.
std::string DescribePortHolder(const PortHolder& holder);
// The same in Russian, for the program's status: "программой nmbd (пользователь root)".
std::string DescribePortHolderRu(const PortHolder& holder);

// The holder of a UDP or TCP port as DescribePortHolder words it; nothing when nobody holds it.
std::optional<std::string> UdpPortHolder(uint16_t port,
                                         const std::filesystem::path& proc = "/proc");
std::optional<std::string> TcpPortHolder(uint16_t port,
                                         const std::filesystem::path& proc = "/proc");

// For people: why a port of ours could not be bound, what follows from it (`consequence`
// starts with ", so ..."), and what to do: `usual_holder` names who tends to hold it, `remedy`
// how to make that program let go.
std::string PortBindProblem(bool tcp, uint16_t port, int error, const std::string& consequence,
                            const std::string& usual_holder, const std::string& remedy);

}  // namespace lyr::netbios
