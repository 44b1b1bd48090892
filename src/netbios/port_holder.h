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

}  // namespace lyr::netbios
