#include "netbios/port_holder.h"

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
    uint32_t uid = 0;
};

// The sockets bound to `port` in a /proc/net/udp table: lines of
// "sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode ...", the local
// address as hexadecimal "ADDRESS:PORT".
// `state`, when given, is the socket state a line must have (TCP: "0A", listening).
std::vector<BoundSocket> SocketsOn(const std::filesystem::path& table, uint16_t port,
                                   std::string_view state_wanted = {}) {
    std::vector<BoundSocket> sockets;
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
            uint32_t owner = 0;
            std::from_chars(uid.data(), uid.data() + uid.size(), owner);
            sockets.push_back({inode, owner});
        }
    }
    return sockets;
}

// Both tables of a protocol: a socket bound to [::]:port takes the IPv4 port as well.
std::vector<BoundSocket> SocketsOn(const std::filesystem::path& proc, bool tcp, uint16_t port) {
    const std::string table = tcp ? "tcp" : "udp";
    const std::string_view state = tcp ? "0A" : "";
    auto sockets = SocketsOn(proc / "net" / table, port, state);
    auto sockets6 = SocketsOn(proc / "net" / (table + "6"), port, state);
    sockets.insert(sockets.end(), sockets6.begin(), sockets6.end());
    return sockets;
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

std::optional<std::string> ProcessHolding(const std::vector<BoundSocket>& sockets,
                                          const std::filesystem::path& proc) {
    if (sockets.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> holder;
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
                    holder = ProgramName(process) + " (process " + pid + ")";
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

std::optional<std::string> UdpPortHolder(uint16_t port, const std::filesystem::path& proc) {
    return ProcessHolding(SocketsOn(proc, false, port), proc);
}

std::optional<std::string> TcpPortHolder(uint16_t port, const std::filesystem::path& proc) {
    return ProcessHolding(SocketsOn(proc, true, port), proc);
}

PortUse WhoUsesPort(bool tcp, uint16_t port, const std::filesystem::path& proc) {
    const auto sockets = SocketsOn(proc, tcp, port);
    if (sockets.empty()) {
        return {};
    }
    return {true, sockets.front().uid, ProcessHolding(sockets, proc)};
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
