#include "main/lyrnet/mailslot_setup.h"

#include "platform/host_identity.h"

namespace lyr::cli {

std::unique_ptr<LinuxMailslotSystem> MakeMailslotSystem() {
    return std::make_unique<LinuxMailslotSystem>(ComputerName().value_or(""), /*network=*/nullptr);
}

}  // namespace lyr::cli
