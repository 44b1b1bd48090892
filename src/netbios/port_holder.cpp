// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/port_holder.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string_view>
#include <vector>

namespace lyr::netbios {
namespace {

struct BoundSocket {
    std::string inode;
    std::string uid;
};

// The sockets bound to `port` in a /proc/net/udp table: lines of
// "sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode ...", the local
// address as hexadecimal "ADDRESS:PORT".
// `state`, when given, is the socket state a line must have (TCP: "0A", listening).
std::vector<BoundSocket> SocketInodes(const std::filesystem::path& table, uint16_t port,
                                      std::string_view state_wanted = {}) {
    std::vector<BoundSocket> inodes;
    std::ifstream file(table);
    std::string line;
    std::getline(file, line);  // the heading
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
        if (!(fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
              timeout >> inode)) {
            continue;
        }
        auto colon = local.find(':');
        unsigned local_port = 0;
        if (colon == std::string::npos) {
            continue;
        }
        auto [end, error] =
            std::from_chars(local.data() + colon + 1, local.data() + local.size(), local_port, 16);
        if (error == std::errc() && end == local.data() + local.size() && local_port == port &&
            inode != "0" && (state_wanted.empty() || state == state_wanted)) {
            inodes.push_back({inode, uid});
        }
    }
    return inodes;
}

// The program's name: the last part of its first argument, else its short name.
std::string ProgramName(const std::filesystem::path& process) {
    std::ifstream command_line(process / "cmdline");
    std::string first;
    std::getline(command_line, first, '\0');
    if (!first.empty()) {
        return std::filesystem::path(first).filename().string();
    }
    std::ifstream comm(process / "comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

// Calls `visit` with each entry of `directory` until it returns true; whether one did.
template <typename Visit>
bool EachEntry(const std::filesystem::path& directory, Visit visit) {
    std::error_code error;
    std::filesystem::directory_iterator entry(directory, error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        if (visit(entry->path())) {
            return true;
        }
    }
    return false;
}

std::string UserName(const std::string& uid_text) {
    unsigned uid = 0;
    auto [end, error] = std::from_chars(uid_text.data(), uid_text.data() + uid_text.size(), uid);
    if (error != std::errc() || end != uid_text.data() + uid_text.size()) {
        return uid_text;
    }
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
        return found->pw_name;
    }
    return uid_text;
}

std::optional<PortHolder> ProcessHolding(const std::vector<BoundSocket>& sockets,
                                         const std::filesystem::path& proc) {
    if (sockets.empty()) {
        return std::nullopt;
    }
    PortHolder holder;
    auto owned_by = [&holder](const BoundSocket& socket) {
        holder.user = UserName(socket.uid);
        holder.other_user = socket.uid != std::to_string(::geteuid());
    };
    owned_by(sockets.front());
    // Processes come and go while we look, and those of other users cannot be looked into:
    // every error passes the entry over.
    EachEntry(proc, [&](const std::filesystem::path& process) {
        const std::string pid = process.filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) {
            return false;
        }
        return EachEntry(process / "fd", [&](const std::filesystem::path& fd) {
            std::error_code error;
            const std::string target = std::filesystem::read_symlink(fd, error).string();
            for (const auto& socket : sockets) {
                if (target == "socket:[" + socket.inode + "]") {
                    holder.program = ProgramName(process);
                    holder.process = std::stoi(pid);
                    owned_by(socket);
                    return true;
                }
            }
            return false;
        });
    });
    return holder;
}

std::string ProgramPath() {
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? "PROGRAM" : path.string();
}

}  // namespace

std::optional<PortHolder> FindUdpPortHolder(uint16_t port, const std::filesystem::path& proc) {
    // A socket bound to [::]:port takes the IPv4 port as well.
    auto inodes = SocketInodes(proc / "net" / "udp", port);
    auto inodes6 = SocketInodes(proc / "net" / "udp6", port);
    inodes.insert(inodes.end(), inodes6.begin(), inodes6.end());
    return ProcessHolding(inodes, proc);
}

PortHolder FindSocketHolder(uint64_t inode, std::optional<uint32_t> owner,
                            const std::filesystem::path& proc) {
    const std::string uid = std::to_string(owner.value_or(::geteuid()));
    return *ProcessHolding({{std::to_string(inode), uid}}, proc);
}

std::optional<PortHolder> FindTcpPortHolder(uint16_t port, const std::filesystem::path& proc) {
    auto inodes = SocketInodes(proc / "net" / "tcp", port, "0A");
    auto inodes6 = SocketInodes(proc / "net" / "tcp6", port, "0A");
    inodes.insert(inodes.end(), inodes6.begin(), inodes6.end());
    return ProcessHolding(inodes, proc);
}

std::string DescribePortHolder(const PortHolder& holder) {
    if (holder.program.empty()) {
        return "a program of user " + holder.user +
               " (its process cannot be seen from this account)";
    }
    return holder.program + " (process " + std::to_string(holder.process) +
           (holder.other_user ? ", user " + holder.user : "") + ")";
}

std::string DescribePortHolderRu(const PortHolder& holder) {
    if (holder.program.empty()) {
        return "программой пользователя " + holder.user + " (её процесс отсюда не виден)";
    }
    return "программой " + holder.program +
           (holder.other_user ? " (пользователь " + holder.user + ")" : "");
}

std::optional<std::string> UdpPortHolder(uint16_t port, const std::filesystem::path& proc) {
    auto holder = FindUdpPortHolder(port, proc);
    return holder ? std::optional(DescribePortHolder(*holder)) : std::nullopt;
}

std::optional<std::string> TcpPortHolder(uint16_t port, const std::filesystem::path& proc) {
    auto holder = FindTcpPortHolder(port, proc);
    return holder ? std::optional(DescribePortHolder(*holder)) : std::nullopt;
}

std::string PortBindProblem(bool tcp, uint16_t port, int error, const std::string& consequence,
                            const std::string& usual_holder, const std::string& remedy) {
    std::string where = (tcp ? "TCP port " : "UDP port ") + std::to_string(port);
    if (error == EADDRINUSE) {
        std::string holder =
            (tcp ? TcpPortHolder(port) : UdpPortHolder(port)).value_or(usual_holder);
        return where + " is in use by " + holder + consequence + " " + remedy;
    }
    if (error == EACCES) {
        return where +
               " is below 1024 and may be used only by root or with the "
               "CAP_NET_BIND_SERVICE capability" +
               consequence + " Grant it once with: sudo setcap cap_net_bind_service=+ep " +
               ProgramPath();
    }
    return where + " cannot be opened (" + std::strerror(error) + ")" + consequence;
}

}  // namespace lyr::netbios
