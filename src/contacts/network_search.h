// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <vector>

#include "contacts/user_data.h"
#include "platform/network_enumerator.h"

namespace lyr {

// Containers nested deeper than this are not entered. The neighbourhood is three levels deep
// (network, domain, computer); the bound keeps an enumerator that reports a container inside
// itself from recursing without end.
inline constexpr int kMaxContainerDepth = 16;

// The records asked for per enumeration call.
inline constexpr std::uint32_t kRecordsPerCall = 100;

// The user list of the network neighbourhood: every domain as a group entry followed by its
// computers, sorted by sort key, under the whole-network entry. Domains are listed before they
// are entered, so the computers found inside one belong to it; computers are never entered.
// A container that cannot be opened or fails part-way is left with what it gave; the rest of
// the network is still searched. Runs off the UI thread and touches nothing but `enumerator`;
// once `stop` is set it closes what it opened and returns without opening more.
std::vector<TUserData> SearchNetwork(NetworkEnumerator& enumerator, const std::atomic<bool>& stop);
// The same, walked to its end.
std::vector<TUserData> SearchNetwork(NetworkEnumerator& enumerator);

}  // namespace lyr
