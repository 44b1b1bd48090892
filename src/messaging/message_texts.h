// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "messaging/msg_store.h"

namespace lyr {

// The texts the main window shows about stored messages, in the ANSI code page.

// A record's time as the locale writes a short date and a long time; empty for a time that
// names no day (a damaged file's garbage).
std::string DateTimeText(double time);

// FromPanel's caption: "От: <FromName> <time>".
std::string FromPanelCaption(const TMsgData& record);

// The notification of a received message: "Сообщение от <FromName> для <ToName>\r\n<Text>".
std::string NotificationText(const TMsgData& record);

// The box shown when a store's file was damaged at start: which file, how many messages could
// be read, how much was skipped, and where the original is kept.
std::string DamagedStoreText(const std::filesystem::path& file, const LoadReport& report);

// The box shown when a store's file could not be read at all: which file and why, and where it
// was moved so that a new file keeps this run's messages (`set_aside`), or that it could not be.
std::string UnreadableStoreText(const std::filesystem::path& file, const std::string& reason,
                                const std::optional<std::filesystem::path>& set_aside);

// The box shown when users.dat is there but is no users file: the list is filled anew, the
// original kept at `copy`.
std::string DamagedUsersFileText(const std::filesystem::path& file,
                                 const std::filesystem::path& copy);

// The box shown when a file the start-up reads could not be read (`error` names the file and
// the reason, in UTF-8): the program runs on without its contents.
std::string UnreadableStartUpFileText(const std::string& error);

}  // namespace lyr
