#include "platform/netbios_config.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

#include "platform/host_identity.h"

namespace lyr {
namespace {

uint16_t PortFromEnvironment(const char* variable, uint16_t fallback) {
    const char* text = std::getenv(variable);
    unsigned value = 0;
    if (!text || !*text) {
        return fallback;
    }
    auto [end, error] = std::from_chars(text, text + std::strlen(text), value);
    if (error != std::errc() || *end != '\0' || value == 0 || value > 65535) {
        return fallback;
    }
    return static_cast<uint16_t>(value);
}

std::optional<std::string> NameFromEnvironment(const char* variable) {
    const char* text = std::getenv(variable);
    if (!text || !*text) {
        return std::nullopt;
    }
    return NetbiosNameFromHostName(text);
}

}  // namespace

netbios::ServiceConfig MakeNetbiosServiceConfig(netbios::ServiceMode mode) {
    netbios::ServiceConfig config;
    config.mode = mode;
    config.computer_name = ComputerName().value_or("LOCALHOST");
    config.workgroup = NameFromEnvironment("LYR_NETBIOS_WORKGROUP").value_or(Workgroup());
    config.name_service_port = PortFromEnvironment("LYR_NETBIOS_NS_PORT", config.name_service_port);
    config.datagram_port = PortFromEnvironment("LYR_NETBIOS_DGM_PORT", config.datagram_port);
    config.session.port = PortFromEnvironment("LYR_NETBIOS_SSN_PORT", config.session.port);
    return config;
}

}  // namespace lyr
