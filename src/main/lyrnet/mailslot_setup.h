#pragma once

#include <memory>

#include "platform/linux/linux_mailslot_system.h"

namespace lyr::cli {

// The mailslots lyrnet sends and listens through. This is where the network layer joins in;
// without it, only this computer's mailslots can be reached.
std::unique_ptr<LinuxMailslotSystem> MakeMailslotSystem();

}  // namespace lyr::cli
