// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/neighbourhood_json.h"

#include <nlohmann/json.hpp>

#include "platform/codepage.h"

namespace lyr {

std::string NeighbourhoodJson(const std::vector<TUserData>& entries) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const TUserData& entry : entries) {
        if (entry.Kind == TUserData::kWholeNetwork)
            continue;
        nlohmann::ordered_json object;
        object["kind"] = entry.Kind == TUserData::kGroup ? "group" : "computer";
        object["name"] = AnsiToUtf8(entry.Name);
        object["group"] = AnsiToUtf8(entry.Group);
        array.push_back(std::move(object));
    }
    return array.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace lyr
