// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace lyr::test {

// Holds a slot of this computer's mailslot queues (the abstract Unix socket the platform
// writes to) and reads what arrives, as a mailslot server would.
class LocalMailslotReader {
public:
    explicit LocalMailslotReader(const std::string& slot);
    ~LocalMailslotReader();
    LocalMailslotReader(const LocalMailslotReader&) = delete;
    LocalMailslotReader& operator=(const LocalMailslotReader&) = delete;

    std::optional<std::string> Read(std::chrono::milliseconds timeout);

private:
    int fd_ = -1;
};

}  // namespace lyr::test
