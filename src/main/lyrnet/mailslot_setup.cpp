// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/lyrnet/mailslot_setup.h"

namespace lyr::cli {

std::unique_ptr<NetworkMailslotSystem> MakeMailslotSystem() {
    return std::make_unique<NetworkMailslotSystem>();
}

}  // namespace lyr::cli
