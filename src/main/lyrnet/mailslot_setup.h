// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "platform/linux/network_mailslot_system.h"

namespace lyr::cli {

// The mailslots lyrnet sends and listens through: this computer's queues and the network, built
// the way the messenger builds them. The caller joins the network: `send` as a client at once,
// `listen` as this computer's owner of the NetBIOS ports once it holds "messngr".
std::unique_ptr<NetworkMailslotSystem> MakeMailslotSystem();

}  // namespace lyr::cli
