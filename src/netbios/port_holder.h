#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace lyr::netbios {

// Which process holds the IPv4 UDP `port` in this network namespace, as "nmbd (process 812)",
// so that a port in use can be reported by its holder. Nothing when no socket of a process we
// may look into is bound to it. `proc` is the proc file system (tests give another).
std::optional<std::string> UdpPortHolder(uint16_t port,
                                         const std::filesystem::path& proc = "/proc");
// The same for a TCP port that a process listens on.
std::optional<std::string> TcpPortHolder(uint16_t port,
                                         const std::filesystem::path& proc = "/proc");

// Whether a socket is bound to a port (TCP: listens on it), the user it belongs to, which
// /proc/net shows for every user, and its process when that may be looked into.
struct PortUse {
    bool in_use = false;
    uint32_t uid = 0;
    std::optional<std::string> process;  // as UdpPortHolder says it
};
PortUse WhoUsesPort(bool tcp, uint16_t port, const std::filesystem::path& proc = "/proc");

// For people: why a port of ours could not be bound, what follows from it (`consequence`
// starts with ", so ..."), and what to do: `usual_holder` names who tends to hold it, `remedy`
// how to make that program let go.
std::string PortBindProblem(bool tcp, uint16_t port, int error, const std::string& consequence,
                            const std::string& usual_holder, const std::string& remedy);

}  // namespace lyr::netbios
