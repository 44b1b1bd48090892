// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/names_json.h"

#include <nlohmann/json.hpp>

#include "netbios/interfaces.h"

namespace lyr {
namespace {

std::string StateText(const netbios::HeldName& name) {
    switch (name.state) {
        case netbios::NameState::Registering:
            // A refused name is tried again now and then.
            return name.refused_by == 0 ? "registering"
                                        : "registering again, refused by " +
                                              netbios::FormatAddress(name.refused_by) + " before";
        case netbios::NameState::Registered:
            return "registered";
        case netbios::NameState::Conflict:
            return (name.refused_by_name_server ? "taken away by the name server "
                                                : "conflict with ") +
                   netbios::FormatAddress(name.refused_by);
        case netbios::NameState::Refused:
            return (name.refused_by_name_server ? "refused by the name server " : "refused by ") +
                   netbios::FormatAddress(name.refused_by);
    }
    return {};
}

}  // namespace

std::string NamesJson(const std::vector<netbios::HeldName>& names) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const auto& name : names) {
        nlohmann::ordered_json object;
        object["name"] = name.name.ToString();
        object["kind"] = name.group ? "group" : "unique";
        object["state"] = StateText(name);
        object["registered"] = name.state == netbios::NameState::Registered;
        array.push_back(std::move(object));
    }
    return array.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace lyr
